// Arbitrary timing texts against a small fixed code-info file (the three example
// code types and a quaternary one with a toggle and a repeat frame).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "ircode/analysis.h"
#include "tests/support/code_types.h"

namespace {

const std::filesystem::path& CodeInfoPath() {
    using namespace orvalin::ircode::test;
    static const CodeInfoFile file({
        NecLike(),
        SonyLike(),
        Rc5Like(),
        QuaternaryLike(),
    });
    return file.path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto result = orvalin::ircode::analyse(text, 0x21, CodeInfoPath());
    // A one-key table is hex text of whole bytes.
    if (result.table.size() % 2 != 0) __builtin_trap();
    return 0;
}
