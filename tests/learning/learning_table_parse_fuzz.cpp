// Any text as a code table: the parser answers lines or an error, never more.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "learning/code_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orvalin::learning;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const KeyLinesResult result = parse_key_lines(text);
    if (!result.ok() && !result.lines.empty()) std::abort();
    for (const std::string& line : result.lines)
        if (line.size() != 4 || line[2] != '|' || (line[3] != '1' && line[3] != '2')) std::abort();
    return 0;
}
