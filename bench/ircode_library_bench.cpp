// Analysis time of one learned signal against the whole shipped code-info file
// (read afresh on every call, as the program does), per protocol: the recognition
// that the program runs at the end of a collection, without the converter.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "ircode/analysis.h"
#include "learning/recognition.h"
#include "learning/signal_capture.h"
#include "tests/support/protocol_signals.h"

namespace {

using namespace orvalin;

void BM_AnalyseLearnedSignal(benchmark::State& state) {
    const protocols::Protocol& p =
        protocols::all_protocols().at(static_cast<std::size_t>(state.range(0)));
    state.SetLabel(p.name);
    const std::filesystem::path codeinfo =
        std::filesystem::path(ORVALIN_PROGRAM_DIR) / ircode::kCodeInfoFileName;
    std::mt19937 rng(7);
    std::vector<std::string> timings;
    for (int i = 0; i < 16; ++i) {
        const auto g = protocols::generate(p, protocols::random_parameters(p, rng), 0,
                                           p.frames_per_press, rng, 0.1);
        timings.push_back(ir_signals::timing_text_of(g.signal));
    }
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            learning::recognise_timing(timings[i++ % timings.size()], 0, codeinfo, {}));
    }
}
BENCHMARK(BM_AnalyseLearnedSignal)
    ->DenseRange(0, static_cast<int>(orvalin::protocols::all_protocols().size()) - 1);

}  // namespace
