// Reading a code file of 1,000 signals in each format and picking one signal by
// name, rendered as one key press: what learning a key from a file costs before
// the analysis; then the same with the capture and the recognition that learn it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ircode/analysis.h"
#include "learning/fallback_converter.h"
#include "learning/recognition.h"
#include "learning/signal_capture.h"
#include "signals/formats/protocol_codes.h"
#include "signals/formats/signal_format.h"

namespace {

using orvalin::formats::CodeSignal;
using orvalin::formats::SignalFormat;

// 1,000 NEC keys of different devices and commands, as a remote export holds them.
std::string thousand_signal_file(SignalFormat format) {
    std::vector<CodeSignal> signals;
    for (unsigned i = 0; i < 1000; ++i) {
        std::string error;
        std::optional<CodeSignal> s =
            orvalin::formats::render_parsed({"NECext", i / 256 | (i % 7) << 8, i % 256}, &error);
        s->name = "key_" + std::to_string(i);
        s->parsed.reset();  // raw data in every format
        signals.push_back(std::move(*s));
    }
    return orvalin::formats::write_signal_file(format, signals);
}

// Reads the file, picks key_777 and renders its press, once per iteration.
void time_reading(benchmark::State& state, SignalFormat format, const std::string& text) {
    for (auto _ : state) {
        std::string error;
        const std::optional<orvalin::formats::SignalFile> file =
            orvalin::formats::read_signal_file(format, text, "remote", &error);
        const CodeSignal* s = file ? file->find("key_777") : nullptr;
        if (s == nullptr) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(orvalin::formats::render_press(*s, 1));
    }
}

void read_one_signal(benchmark::State& state, SignalFormat format) {
    const std::string text = thousand_signal_file(format);
    time_reading(state, format, text);
    state.counters["file_bytes"] = static_cast<double>(text.size());
}

BENCHMARK_CAPTURE(read_one_signal, mode2, SignalFormat::mode2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(read_one_signal, pronto, SignalFormat::pronto)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(read_one_signal, flipper, SignalFormat::flipper)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(read_one_signal, lirc, SignalFormat::lirc)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(read_one_signal, broadlink, SignalFormat::broadlink)
    ->Unit(benchmark::kMillisecond);

// The whole of learning a key from a file, as orvalin-cli analyse and the
// window do it: read, pick, render the press, capture, recognise.
void read_and_learn_one_signal(benchmark::State& state, SignalFormat format) {
    const std::string text = thousand_signal_file(format);
    const std::filesystem::path dir(ORVALIN_PROGRAM_DIR);
    const std::filesystem::path codeinfo = dir / orvalin::ircode::kCodeInfoFileName;
    const std::filesystem::path converter = dir / orvalin::learning::kFallbackLibraryName;
    for (auto _ : state) {
        std::string error;
        const std::optional<orvalin::formats::SignalFile> file =
            orvalin::formats::read_signal_file(format, text, "remote", &error);
        const CodeSignal* s = file ? file->find("key_777") : nullptr;
        if (s == nullptr) {
            state.SkipWithError(error.c_str());
            break;
        }
        const std::string timing =
            orvalin::ir_signals::timing_text_of(orvalin::formats::render_press(*s, 1));
        const orvalin::learning::Recognition r =
            orvalin::learning::recognise_timing(timing, 0, codeinfo, converter);
        if (!r.ok()) {
            state.SkipWithError(("not learned: " + r.reason).c_str());
            break;
        }
        benchmark::DoNotOptimize(r.table);
    }
}

BENCHMARK_CAPTURE(read_and_learn_one_signal, mode2, SignalFormat::mode2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(read_and_learn_one_signal, pronto, SignalFormat::pronto)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(read_and_learn_one_signal, flipper, SignalFormat::flipper)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(read_and_learn_one_signal, lirc, SignalFormat::lirc)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(read_and_learn_one_signal, broadlink, SignalFormat::broadlink)
    ->Unit(benchmark::kMillisecond);

// A Flipper file of parsed signals renders each from its protocol on reading.
void read_one_parsed_flipper_signal(benchmark::State& state) {
    std::vector<CodeSignal> signals;
    for (unsigned i = 0; i < 1000; ++i) {
        std::string error;
        std::optional<CodeSignal> s =
            orvalin::formats::render_parsed({"NEC", i / 256, i % 256}, &error);
        s->name = "key_" + std::to_string(i);
        signals.push_back(std::move(*s));
    }
    const std::string text = orvalin::formats::write_signal_file(SignalFormat::flipper, signals);
    time_reading(state, SignalFormat::flipper, text);
}
BENCHMARK(read_one_parsed_flipper_signal)->Unit(benchmark::kMillisecond);

// An encoded LIRC remote of 1,000 keys: every key rendered from its bits.
void read_one_encoded_lirc_key(benchmark::State& state) {
    std::string text =
        "begin remote\n  name tv\n  bits 16\n  flags SPACE_ENC|CONST_LENGTH\n"
        "  header 9024 4512\n  one 564 1692\n  zero 564 564\n  ptrail 564\n"
        "  repeat 9024 2256\n  pre_data_bits 16\n  pre_data 0x20DF\n  gap 108000\n"
        "  begin codes\n";
    for (unsigned i = 0; i < 1000; ++i) {
        text += "    key_" + std::to_string(i) + " 0x" + std::to_string(1000 + i) + "\n";
    }
    text += "  end codes\nend remote\n";
    time_reading(state, SignalFormat::lirc, text);
}
BENCHMARK(read_one_encoded_lirc_key)->Unit(benchmark::kMillisecond);

}  // namespace
