// The list of files to update: each "tq58" line of the configuration whose file
// exists in the program folder and is older than the configuration's date.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "update/civil_time.h"

namespace orvalin::update {

struct FileLine {
    std::string name;  // base name, without ".dll"
    std::string date;  // as the configuration wrote it
    std::uint64_t size = 0;
};

// Splits "name|date|size". nullopt (with the reason in *why) for a line without
// two '|', a name that is not a plain base name, or a size that is not a decimal number.
std::optional<FileLine> parse_file_line(std::string_view value, std::string* why = nullptr);

struct UpdateEntry {
    std::string name;
    std::uint64_t size = 0;
};

struct FileList {
    std::vector<UpdateEntry> entries;
    std::vector<std::string> skipped;  // one reason per refused line
};

// Reads a configuration date; the window passes a parser that knows the user's locale.
using DateParser = std::function<std::optional<CivilSeconds>(const std::string&)>;

// Lines in order; a line is listed when program_dir/name.dll is a regular file that
// can be opened for reading and its time (two-second resolution) is strictly earlier
// than the line's date.
FileList build_file_list(const std::vector<std::string>& lines,
                         const std::filesystem::path& program_dir, const DateParser& parse_date);

}  // namespace orvalin::update
