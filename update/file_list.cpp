#include "update/file_list.h"

#include <fcntl.h>
#include <unistd.h>

#include "common/data_files.h"
#include "common/decimal_text.h"
#include "update/update_names.h"

namespace orvalin::update {
namespace {

std::optional<FileLine> refuse(std::string* why, std::string reason) {
    if (why != nullptr) *why = std::move(reason);
    return std::nullopt;
}

}  // namespace

std::optional<FileLine> parse_file_line(std::string_view value, std::string* why) {
    const auto first = value.find('|');
    if (first == std::string_view::npos) return refuse(why, "no '|' separator");
    const auto second = value.find('|', first + 1);
    if (second == std::string_view::npos) return refuse(why, "only one '|' separator");
    FileLine line;
    line.name = std::string(value.substr(0, first));
    line.date = std::string(value.substr(first + 1, second - first - 1));
    if (!is_safe_base_name(line.name)) return refuse(why, "unsafe file name: " + line.name);
    const auto size = parse_decimal(value.substr(second + 1));
    if (!size) return refuse(why, "size is not a decimal number: " + line.name);
    line.size = *size;
    return line;
}

FileList build_file_list(const std::vector<OfferedFile>& offered,
                         const std::filesystem::path& program_dir,
                         const std::filesystem::path& overlay_dir, const DateParser& parse_date,
                         std::optional<std::uint64_t> package_serial) {
    FileList out;
    for (const auto& f : offered) {
        const auto path = data_file(program_dir, f.file, overlay_dir, package_serial);
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) continue;  // not installed here: nothing to update
        const auto file_time = local_file_time(fd);
        ::close(fd);
        if (!file_time) continue;
        const auto wanted = parse_date(f.date);
        if (!wanted) {
            out.skipped.push_back("unreadable date: " + f.date);
            continue;
        }
        if (*file_time < *wanted) out.entries.push_back(f);
    }
    return out;
}

}  // namespace orvalin::update
