// Arbitrary timing texts against a small fixed code-info file (the three example
// code types and a quaternary one with a toggle and a repeat frame).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "code_types.h"
#include "ircode/analysis.h"

namespace {

const std::filesystem::path& CodeInfoPath() {
    using namespace orvalin::ircode::test;
    static const CodeInfoFile file({
        NecLike(),
        SonyLike(),
        Rc5Like(),
        RecordBuilder("quaternary")
            .Carrier(40000, 2, 1)
            .Symbol({Pulse(500), Gap(500)})
            .Symbol({Pulse(500), Gap(1000)})
            .Symbol({Pulse(500), Gap(1500)})
            .Symbol({Pulse(500), Gap(2000)})
            .Sequence({Pulse(3000), Gap(1500), Data(4), Toggle(), Pulse(500)})
            .Sequence({Pulse(3000), Gap(3000), Data(8, 0x00A5), Toggle()})
            .FrameOrder({Period(0, 5000), GapAfter(1, 2000)}, 1)
            .RepeatOrder({Period(1, 5000)})
            .ToggleValues(1, 3, 2),
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
