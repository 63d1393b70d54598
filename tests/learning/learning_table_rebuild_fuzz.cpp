// Base table and one-key table split at the first newline. A rebuilt table must
// itself parse, fit the write limit and rebuild to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "learning/code_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orvalin::learning;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find('\n');
    const std::string_view base = input.substr(0, cut);
    const std::string_view key =
        cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);
    const TableResult result = rebuild_code_text(base, key);
    if (!result.ok()) {
        if (!result.text.empty()) std::abort();
        return 0;
    }
    if (result.text.size() > kMaxTableChars || result.text.size() % 2 != 0) std::abort();
    if (!parse_key_lines(result.text).ok()) std::abort();
    // Removing a key that has no record and is in no link pair changes nothing.
    std::string upper = result.text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 32);
    const TableResult again = rebuild_code_text(result.text, "0001FF00000000000000");
    if (again.ok() && upper.find("FF") == std::string::npos && again.text != result.text)
        std::abort();
    return 0;
}
