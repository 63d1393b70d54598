// The update configuration and its file lines come from a server: any bytes must
// parse without a crash, and every accepted name must be a plain base name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "update/file_list.h"
#include "update/update_config.h"
#include "update/update_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto config = orvalin::update::parse_update_config(text);
    for (const auto& [name, url] : config.servers) (void)config.server_url(name);
    for (const auto& value : config.files) {
        const auto line = orvalin::update::parse_file_line(value);
        if (line && !orvalin::update::is_safe_base_name(line->name)) std::abort();
    }
    const auto line = orvalin::update::parse_file_line(text);
    if (line && !orvalin::update::is_safe_base_name(line->name)) std::abort();
    return 0;
}
