// Per-call cost of the device library's exports on the simulated remote with no
// transfer latency.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/sim/sim_control.h"
#include "device/vorkel.h"

namespace {

void LinkStateWith20OtherDevices(benchmark::State& state) {
    vorkel::sim::activate();
    for (int i = 0; i < 20; ++i) {
        // Half refuse the open like keyboards do, half open with another identity.
        vorkel::sim::add_other_device(0x046D, static_cast<uint16_t>(0xC000 + i), i % 2 == 0,
                                      i < 10);
    }
    for (auto _ : state) benchmark::DoNotOptimize(link_state());
}
BENCHMARK(LinkStateWith20OtherDevices)->Unit(benchmark::kMicrosecond);

void BasicInfo(benchmark::State& state) {
    vorkel::sim::activate();
    std::vector<char> out(1024);
    for (auto _ : state) {
        benchmark::DoNotOptimize(RBasicInfo(out.data()));
        vorkel::sim::clear_records();
    }
}
BENCHMARK(BasicInfo)->Unit(benchmark::kMicrosecond);

void CodeTable704Reads(benchmark::State& state) {
    vorkel::sim::activate();
    std::vector<char> out(12288);
    for (auto _ : state) {
        benchmark::DoNotOptimize(RCodeTypeData(out.data()));
        vorkel::sim::clear_records();
    }
}
BENCHMARK(CodeTable704Reads)->Unit(benchmark::kMillisecond);

void CodeTableWrite645Reports(benchmark::State& state) {
    vorkel::sim::activate();
    std::string text;
    for (int i = 0; i < 4100; ++i) text += "A5";
    for (auto _ : state) {
        benchmark::DoNotOptimize(WCodeTypeData(text.c_str()));
        vorkel::sim::clear_records();
    }
}
BENCHMARK(CodeTableWrite645Reports)->Unit(benchmark::kMillisecond);

void Capture600Bytes(benchmark::State& state) {
    vorkel::sim::activate();
    vorkel::sim::set_signal_delay_polls(0);
    // A 15 ms mark (two words), then 278 marks and spaces: 280 words + 20 silence words.
    vorkel::sim::Signal signal;
    signal.durations_us.push_back(15000);
    for (int i = 0; i < 278; ++i) signal.durations_us.push_back(i % 2 == 0 ? -560 : 560);
    std::vector<char> out(10240);
    for (auto _ : state) {
        vorkel::sim::queue_signal(signal);
        if (!RCollectCodeInfo(out.data())) state.SkipWithError("no capture");
        vorkel::sim::clear_records();
    }
    // Digits of the kept data: 280 words before the silence.
    state.counters["data_words"] = static_cast<double>(std::strlen(out.data()) - 86) / 4;
}
BENCHMARK(Capture600Bytes)->Unit(benchmark::kMicrosecond);

}  // namespace
