// Work the window's thread does per key: parse the table read at start-up, merge a
// learned key into a full table, convert a capture.
#include <benchmark/benchmark.h>

#include <string>

#include "common/hex_text.h"
#include "common/timing_markers.h"
#include "learning/code_table.h"
#include "learning/timing_text.h"

namespace {

using namespace orvalin::learning;

std::string hex2(unsigned v) {
    std::string s;
    orvalin::hex::append(s, v & 0xFF, 2);
    return s;
}

std::string word_le(unsigned v) {
    std::string s;
    orvalin::hex::append_word_le(s, v);
    return s;
}

// 150 records (three modes of 50 keys), ten distinct type pieces of 24 bytes, key
// pieces of 6 bytes, one link pair.
std::string table_of_150() {
    std::string head =
        "01"
        "0305" +
        hex2(150);
    const unsigned data_start = static_cast<unsigned>(head.size() / 2 + 8 * 150);
    std::string records, types, keys;
    for (unsigned t = 0; t < 10; ++t)
        for (unsigned b = 0; b < 24; ++b) types += hex2(t * 24 + b);
    const unsigned keys_start = data_start + static_cast<unsigned>(types.size() / 2);
    for (unsigned i = 0; i < 150; ++i) {
        const unsigned code = i + i / 50;  // 00..31, 33..64, 66..97
        records += hex2(code) + (i % 3 ? "CF" : "0F") + word_le(data_start + 24 * (i % 10)) +
                   hex2(24) + word_le(keys_start + 6 * i) + hex2(6);
        for (unsigned b = 0; b < 6; ++b) keys += hex2(i + b);
    }
    return head + records + types + keys;
}

// What start-up keeps: 5632 bytes of table area as digits, then zeros up to 12288.
std::string read_buffer(const std::string& table) {
    std::string text = table;
    text.resize(11264, 'F');
    text.resize(12288, '\0');
    return text;
}

void BM_ParseReadBuffer(benchmark::State& state) {
    const std::string text = read_buffer(table_of_150());
    if (!parse_key_lines(text).ok()) state.SkipWithError("table not parsed");
    for (auto _ : state) {
        KeyLinesResult result = parse_key_lines(text);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_ParseReadBuffer);

void BM_RebuildAddKeyTo150(benchmark::State& state) {
    const std::string base = read_buffer(table_of_150());
    std::string key =
        "0001"
        "98C70A001822000A";
    for (unsigned b = 0; b < 24; ++b) key += hex2(0xA0 + b);
    key += "11223344556677889900";
    if (!rebuild_code_text(base, key).ok()) state.SkipWithError("key not merged");
    for (auto _ : state) {
        TableResult result = rebuild_code_text(base, key);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_RebuildAddKeyTo150);

// NEC-like frames: leader, 32 bits, stop mark, a gap of about 40 ms; then the
// silence and the carrier bytes, padded with zeros to 10240 characters.
std::string capture_1500() {
    std::string text;
    std::size_t words = 0;
    auto add = [&](std::string_view w) {
        text += w;
        ++words;
    };
    while (words < 700) {
        if (words > 0) {
            add(orvalin::timing::kFullWord);
            add(orvalin::timing::kFullWord);
            add(orvalin::timing::kFullWord);
            add("2000");
        }
        add("E994");  // 9 ms mark
        add("34CA");  // 4.5 ms space
        for (int bit = 0; bit < 32; ++bit) {
            add("8690");                     // 560 us mark
            add(bit % 3 ? "0690" : "13B0");  // 560 us or 1690 us space
        }
        add("8690");
    }
    for (int i = 0; i < 20; ++i) add(orvalin::timing::kFullWord);
    text += "4F5050";
    text.resize(10240, '\0');
    return text;
}

void BM_ConvertCapture(benchmark::State& state) {
    const std::string text = capture_1500();
    if (convert_collected(text).empty()) state.SkipWithError("capture not converted");
    for (auto _ : state) {
        std::string timing = convert_collected(text);
        benchmark::DoNotOptimize(timing);
    }
}
BENCHMARK(BM_ConvertCapture);

}  // namespace
