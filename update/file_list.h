// The list of files to update: each offered file whose copy in use (the user's
// overlay or the program folder) exists and is older than the configuration's date.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/data_files.h"
#include "update/local_time.h"
#include "update/signed_offer.h"

namespace orvalin::update {

struct FileLine {
    std::string name;  // base name as listed (without ".dll")
    std::string date;  // as the configuration wrote it
    std::uint64_t size = 0;
};

// Splits "name|date|size". nullopt (with the reason in *why) for a line without
// two '|', a name that is not a plain base name, or a size that is not a decimal number.
std::optional<FileLine> parse_file_line(std::string_view value, std::string* why = nullptr);

struct FileList {
    std::vector<OfferedFile> entries;
    std::vector<std::string> skipped;  // one reason per line left out (unreadable date)
};

// Reads a configuration date; the window passes a parser that knows the user's locale.
using DateParser = std::function<std::optional<LocalSeconds>(const std::string&)>;

// Offered files in order; a file is listed when its copy in use (overlay_dir before
// program_dir, see data_file) is a regular file that can be opened for reading and
// its time (two-second resolution) is strictly earlier than the line's date.
FileList build_file_list(const std::vector<OfferedFile>& offered,
                         const std::filesystem::path& program_dir,
                         const std::filesystem::path& overlay_dir, const DateParser& parse_date,
                         std::optional<std::uint64_t> package_serial = package_data_serial());

}  // namespace orvalin::update
