// Arbitrary code-info file contents: read them, then run the analysis of three
// example recordings against whatever records came out.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ircode/analysis.h"
#include "ircode/codeinfo_file.h"
#include "tests/support/code_types.h"

namespace {

// An NEC-like, a Sony-like and an RC5-like recording.
const std::vector<std::string>& Texts() {
    using namespace orvalin::ircode::test;
    static const std::vector<std::string> texts = [] {
        std::mt19937 rng(7);
        const std::vector<int> bits{1, 1, 0, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 0};
        std::vector<int> nec_bits;
        for (int i = 0; i < 32; ++i) nec_bits.push_back(bits[static_cast<std::size_t>(i) % 14]);
        return std::vector<std::string>{
            CaptureText({NecFrame(nec_bits), NecRepeatFrame()}, rng, 0.05),
            CaptureText({SonyFrame(std::vector<int>(bits.begin(), bits.begin() + 12)),
                         SonyFrame(std::vector<int>(12, 1))},
                        rng, 0.05),
            CaptureText({Rc5Frame(bits), Rc5Frame(bits)}, rng, 0.05),
        };
    }();
    return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<orvalin::ircode::CodeTypeRecord> records;
    if (!orvalin::ircode::ParseCodeInfo(std::span(data, size), records)) return 0;
    for (const std::string& text : Texts()) {
        const auto result = orvalin::ircode::analyse_records(text, 0x21, records);
        if (!result.table.empty() && result.record_index < 0) __builtin_trap();
    }
    return 0;
}
