// AnalyseLearnedCode as the program calls it, reading the code-info file afresh on
// every call: an NEC-like capture whose record is the last of 50, and a capture
// that fits none of 500 records.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "ircode/analysis.h"
#include "tests/support/code_types.h"

namespace {

using namespace orvalin::ircode;
using namespace orvalin::ircode::test;

// Code types that an NEC-like capture does not fit: other lead-ins, other bit
// timings, other frame periods, pulse-width and bi-phase codes.
std::vector<CodeTypeDescription> OtherCodeTypes(std::size_t count) {
    std::vector<CodeTypeDescription> records;
    for (std::size_t i = 0; records.size() < count; ++i) {
        const auto step = static_cast<std::uint32_t>(i % 7);
        switch (i % 4) {
            case 0: {
                auto sony = SonyLike("sony " + std::to_string(i));
                sony.sequences[0][0] = Pulse(2400 + 100 * step);
                records.push_back(sony);
                break;
            }
            case 1: {
                auto rc5 = Rc5Like("rc5 " + std::to_string(i));
                rc5.frame_order = {Period(0, 11378 + 100 * step)};
                records.push_back(rc5);
                break;
            }
            case 2: {
                // Samsung-like lead-in 4500/4500.
                auto nec = NecLike("lead-in " + std::to_string(i));
                nec.sequences[0][0] = Pulse(4500 + 50 * step);
                records.push_back(nec);
                break;
            }
            default: {
                // The same lead-in, other bit timings and period: fails in the matchers.
                auto nec = NecLike("bits " + std::to_string(i));
                nec.symbols = {{Pulse(560), Gap(560)}, {Pulse(560), Gap(2800 + 50 * step)}};
                nec.frame_order = {Period(0, 13000)};
                records.push_back(nec);
                break;
            }
        }
    }
    return records;
}

std::string NecCapture() {
    std::mt19937 rng(9);
    std::vector<int> bits;
    for (int i = 0; i < 32; ++i) bits.push_back(static_cast<int>(rng() & 1));
    return CaptureText({NecFrame(bits), NecRepeatFrame(), NecRepeatFrame()}, rng, 0.08);
}

void BM_NecFitsLastOf50(benchmark::State& state) {
    auto records = OtherCodeTypes(49);
    records.push_back(NecLike());
    const CodeInfoFile file(records);
    const std::string text = NecCapture();
    if (AnalyseLearnedCode(text, 0x21, file.path()).empty()) {
        state.SkipWithError("the NEC-like capture was not recognised");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(AnalyseLearnedCode(text, 0x21, file.path()));
    }
}
BENCHMARK(BM_NecFitsLastOf50)->Unit(benchmark::kMicrosecond);

void BM_NoFitAmong500(benchmark::State& state) {
    const CodeInfoFile file(OtherCodeTypes(500));
    const std::string text = NecCapture();
    if (!AnalyseLearnedCode(text, 0x21, file.path()).empty()) {
        state.SkipWithError("the capture fitted a record");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(AnalyseLearnedCode(text, 0x21, file.path()));
    }
}
BENCHMARK(BM_NoFitAmong500)->Unit(benchmark::kMicrosecond);

}  // namespace
