// The fallback converter's answer for a capture of nine frames (24-bit NEC-like
// code with eight ditto repeats, which no shipped code type names), through the
// real quendrix.dll as the program calls it; and the program's whole recognition
// of it: the analysis against the shipped QZ01.csl, then the converter.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ircode/analysis.h"
#include "learning/fallback_converter.h"

namespace {

const std::filesystem::path kProgramDir = ORVALIN_PROGRAM_DIR;

void AppendHex4(std::string& out, int value) {
    static const char* digits = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4) out += digits[(value >> shift) & 15];
}

// The timing text of a held key as the conversion writes it: the first frame,
// then eight ditto frames 40 ms apart (the remote's sampling keeps no more than
// six frames of this code, so the text is written directly).
std::string NineFrameTiming() {
    std::string t = "92612";
    std::vector<int> first{9000, 4500};
    const unsigned value = 0xA35C21;
    for (int i = 0; i < 24; ++i) {
        first.push_back(560);
        first.push_back((value >> i) & 1 ? 1690 : 560);
    }
    first.push_back(560);
    for (const int d : first) AppendHex4(t, d);
    for (int i = 0; i < 8; ++i) {
        t += "FEFE0028EDED";
        for (const int d : {9000, 2250, 560}) AppendHex4(t, d);
    }
    return t + "EDED";
}

std::string RequestOf(const std::string& timing) {
    return "#99|0121\r\n0:\xB0\xB4\xC5\xA5"
           "0:{X=310,Y=120}|" +
           timing + "\r\n";
}

using Cominput = orvalin::learning::ConverterExport;

Cominput LoadConverter() {
    return orvalin::learning::load_converter(kProgramDir / orvalin::learning::kFallbackLibraryName)
        .cominput;
}

void BM_ConverterAnswerNineFrames(benchmark::State& state) {
    const Cominput cominput = LoadConverter();
    const std::string timing = NineFrameTiming();
    if (!cominput || timing.empty() || timing[0] != '9') {
        state.SkipWithError("no converter or no nine-frame capture");
        return;
    }
    const std::string request = RequestOf(timing);
    if (std::string(cominput(request.c_str())).empty()) {
        state.SkipWithError("the converter does not learn the capture");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(cominput(request.c_str()));
}
BENCHMARK(BM_ConverterAnswerNineFrames)->Unit(benchmark::kMillisecond);

void BM_AnalysisThenConverterNineFrames(benchmark::State& state) {
    const Cominput cominput = LoadConverter();
    const std::string timing = NineFrameTiming();
    const std::filesystem::path codeinfo = kProgramDir / orvalin::ircode::kCodeInfoFileName;
    if (!cominput || timing.empty()) {
        state.SkipWithError("no converter or no capture");
        return;
    }
    const std::string request = RequestOf(timing);
    for (auto _ : state) {
        std::string table = orvalin::ircode::AnalyseLearnedCode(timing.substr(5), 0x21, codeinfo);
        if (table.empty()) table = cominput(request.c_str());
        benchmark::DoNotOptimize(table);
    }
}
BENCHMARK(BM_AnalysisThenConverterNineFrames)->Unit(benchmark::kMillisecond);

}  // namespace
