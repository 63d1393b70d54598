// Reading the code-info file, the two item decoding rules and the checks that
// keep a malformed record from being used.
#include "ircode/codeinfo_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <vector>

#include "ircode/code_item.h"
#include "tests/support/code_types.h"

namespace orvalin::ircode::test {
namespace {

std::vector<std::uint8_t> FileBytes(const std::vector<CodeTypeDescription>& records) {
    return encode_codeinfo_file(records);
}

struct HeaderCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    bool loads;
};

TEST(CodeInfoFile, HeaderDecidesWhetherTheFileLoads) {
    auto one_letter = FileBytes({NecLike()});
    one_letter[1 + 6] = 'q';  // "Quastrelvanomiderrant" with a small q
    auto short_length = FileBytes({NecLike()});
    short_length[0] = 35;
    auto zero_length = FileBytes({});
    zero_length[0] = 0;
    auto cut_header = FileBytes({});
    cut_header.resize(20);
    const std::vector<HeaderCase> cases = {
        {"correct header", FileBytes({NecLike()}), true},
        {"one letter in another case", one_letter, false},
        {"length one short", short_length, false},
        {"length zero", zero_length, false},
        {"header cut short", cut_header, false},
        {"empty file", {}, false},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        WriteBytes(folder.path() / "QZ01.csl", c.bytes);
        std::vector<CodeTypeRecord> records(3);
        EXPECT_EQ(LoadCodeInfo(folder.path() / "QZ01.csl", records), c.loads) << c.name;
        if (!c.loads) {
            EXPECT_TRUE(records.empty()) << c.name;
        }
    }
}

TEST(CodeInfoFile, MissingFileDoesNotLoad) {
    TempFolder folder;
    std::vector<CodeTypeRecord> records;
    EXPECT_FALSE(LoadCodeInfo(folder.path() / "QZ01.csl", records));
    EXPECT_FALSE(LoadCodeInfo(folder.path(), records));  // a folder, not a file
}

TEST(CodeInfoFile, OversizedFileIsRefused) {
    TempFolder folder;
    const auto path = folder.path() / "QZ01.csl";
    WriteBytes(path, FileBytes({NecLike()}));
    std::vector<CodeTypeRecord> records;
    ASSERT_TRUE(LoadCodeInfo(path, records));
    // Beyond the size limit (a sparse file) the reader does not take it into memory.
    std::filesystem::resize_file(path, kMaxCodeInfoFileSize + 1);
    EXPECT_FALSE(LoadCodeInfo(path, records));
    EXPECT_TRUE(records.empty());
}

TEST(CodeInfoFile, RecordsAreReadToTheEndOfTheFile) {
    const auto nec = encode_record(NecLike("first"));
    const auto sony = encode_record(SonyLike("second"));
    const auto full = FileBytes({NecLike("first"), SonyLike("second")});
    const std::size_t second_body = 1 + 36 + kRecordSize + kRecordNameSize;
    struct Case {
        const char* name;
        std::size_t length;
        std::size_t records;
    };
    const std::vector<Case> cases = {
        {"header only", 37, 0},
        {"two records", full.size(), 2},
        {"second body cut after 500 bytes", second_body + 500, 2},
        {"second body has one byte", second_body + 1, 2},
        {"second record is a name only", second_body, 1},
        {"second record is part of a name", second_body - 10, 1},
    };
    for (const auto& c : cases) {
        std::vector<CodeTypeRecord> records;
        ASSERT_TRUE(ParseCodeInfo(std::span(full.data(), c.length), records)) << c.name;
        ASSERT_EQ(records.size(), c.records) << c.name;
        if (c.records >= 1) {
            EXPECT_EQ(records[0].name_text(), "first");
            EXPECT_TRUE(std::equal(records[0].body.begin(), records[0].body.end(),
                                   nec.begin() + kRecordNameSize));
        }
        if (c.records == 2) {
            EXPECT_EQ(records[1].name_text(), "second") << c.name;
            const std::size_t kept = c.length - second_body;
            for (std::size_t i = 0; i < kRecordBodySize; ++i) {
                const std::uint8_t expected = i < kept ? sony[kRecordNameSize + i] : 0;
                ASSERT_EQ(records[1].body[i], expected) << c.name << " at " << i;
            }
            EXPECT_EQ(records[1].reserved[0], 0u);
            EXPECT_EQ(records[1].reserved[1], 0u);
        }
    }
    // The same through the file reader.
    TempFolder folder;
    WriteBytes(folder.path() / "QZ01.csl",
               std::vector<std::uint8_t>(full.begin(), full.begin() + second_body + 500));
    std::vector<CodeTypeRecord> records;
    ASSERT_TRUE(LoadCodeInfo(folder.path() / "QZ01.csl", records));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].symbol_count(), 2);
}

TEST(CodeInfoFile, FieldsReadBackAsWritten) {
    const CodeTypeRecord r = ToRecord(RecordBuilder("fields")
                                          .NoCarrier()
                                          .Carrier(-5, 7, 9)
                                          .NoCarrier()
                                          .Symbol({Pulse(100)})
                                          .Sequence({Pulse(1), Gap(2), Data(3, 0x12)})
                                          .FrameOrder({Period(0, 77), GapAfter(0, 88)}, 2)
                                          .RepeatOrder({Period(0, 99)})
                                          .ToggleValues(4, 5, 6)
                                          .Attributes(1, 2, 3)
                                          .Build());
    EXPECT_EQ(r.name_text(), "fields");
    EXPECT_TRUE(r.no_carrier());
    EXPECT_EQ(r.carrier_hz(), -5);
    EXPECT_EQ(r.carrier_code(), 7);
    EXPECT_EQ(r.carrier_divisor(), 9);
    EXPECT_EQ(r.symbol_count(), 1);
    EXPECT_EQ(r.symbol_length(0), 1);
    EXPECT_EQ(r.symbol_item(0, 0), Pulse(100));
    EXPECT_EQ(r.sequence_length(0), 3);
    EXPECT_EQ(r.sequence_item(0, 2), Data(3, 0x12));
    EXPECT_EQ(r.frame_order_count(), 2);
    EXPECT_EQ(r.frame_order_entry(1), GapAfter(0, 88));
    EXPECT_EQ(r.repeat_tail(), 2);
    EXPECT_EQ(r.repeat_order_count(), 1);
    EXPECT_EQ(r.repeat_order_entry(0), Period(0, 99));
    EXPECT_EQ(r.toggle_width(), 4);
    EXPECT_EQ(r.toggle_a(), 5);
    EXPECT_EQ(r.toggle_b(), 6);
    EXPECT_EQ(r.attr_high(), 1);
    EXPECT_EQ(r.attr_byte(), 2);
    EXPECT_EQ(r.attr_low(), 3);
    EXPECT_TRUE(IsWellFormed(r));
}

TEST(CodeInfoWriter, RefusesCountsAboveTheirMaxima) {
    RecordBuilder base("x");
    const std::vector<CodeTypeDescription> bad = {
        RecordBuilder(base).Symbol({}).Symbol({}).Symbol({}).Symbol({}).Symbol({}),
        RecordBuilder(base).Symbol({1, 2, 3, 4, 5, 6, 7}),
        RecordBuilder(base).Sequence(std::vector<std::uint32_t>(33, Pulse(1))),
        RecordBuilder(base).FrameOrder(std::vector<std::uint32_t>(9, Period(0, 1)), 0),
        RecordBuilder(base).RepeatOrder(std::vector<std::uint32_t>(5, Period(0, 1))),
    };
    for (const auto& d : bad) EXPECT_THROW(encode_record(d), std::invalid_argument);
}

struct DecodeCase {
    const char* name;
    std::uint32_t item;
    std::int32_t d1;
    std::int32_t d2;
};

TEST(CodeItem, DecodingRules) {
    const CodeTypeRecord r = ToRecord(RecordBuilder("40k").Carrier(40000, 0, 3));  // P = 25 us
    const std::vector<DecodeCase> cases = {
        {"gap, hundredths", make_item(0x00, 256), -256, -256},
        {"gap, tens of us", make_item(0x01, 3), -3000, -3000},
        {"gap, carrier periods", make_item(0x02, 3), -75, -75},
        {"pulse, hundredths", make_item(0x04, 256), 256, 256},
        {"pulse, tens of us", make_item(0x05, 3), 3000, 3000},
        {"pulse, carrier periods", make_item(0x06, 3), 75, 75},
        {"set A define", make_item(0x08, 0x23), 0x23, 0},
        {"set A refer", make_item(0x09, 0x1), 1, 0},
        {"set A refer 2", make_item(0x0A, 0x2), 2, 0},
        {"toggle", make_item(0x0B, 7), 0, 0},
        {"set B define", make_item(0x0C, 0x13), 0x13, 0},
        {"set B refer", make_item(0x0D, 1), 1, 0},
        {"set B refer 2", make_item(0x0E, 2), 2, 0},
        {"data field", make_item(0x0F, 0x80000), 0x80000, 0},
        {"gap entry", make_item(0x10, 0x104000), 0x104000, 0x104000},
        {"period entry", make_item(0x19, 0x10A8C0), 0x10A8C0, 0x10A8C0},
        {"no role 0x1D", make_item(0x1D, 5), 5, 0},
        {"type 0x03", make_item(0x03, 5), 0, 0},
        {"type 0x07", make_item(0x07, 5), 0, 0},
        {"type 0x11", make_item(0x11, 5), 0, 0},
        {"type 0x1E", make_item(0x1E, 5), 0, 0},
        {"type 0xFF", make_item(0xFF, 5), 0, 0},
        {"pulse, tens of us, beyond 32 bits", make_item(0x05, 0xFFFFFF),
         std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeItem(c.item, r), c.d1) << c.name;
        EXPECT_EQ(DecodeItemForTiming(c.item, r), c.d2) << c.name;
    }
}

TEST(CodeItem, CarrierPeriodItemsWithoutAUsableCarrier) {
    struct Case {
        const char* name;
        CodeTypeDescription record;
        std::int32_t gap;
        std::int32_t pulse;
    };
    const std::vector<Case> cases = {
        {"no carrier", RecordBuilder("a").Carrier(40000, 0, 3).NoCarrier(), 0, 0},
        {"carrier of 0 Hz", RecordBuilder("b").Carrier(0, 0, 3), 0, 0},
        {"negative carrier", RecordBuilder("c").Carrier(-38000, 0, 3), 0, 0},
        // 400 kHz: P = 2.5 us; 1 x P = 2.5 rounds to 2, 3 x P = 7.5 to 8 (halves to even)
        {"halves to even", RecordBuilder("d").Carrier(400000, 0, 3), -2, 8},
    };
    for (const auto& c : cases) {
        const CodeTypeRecord r = ToRecord(c.record);
        EXPECT_EQ(DecodeItem(make_item(0x02, 1), r), c.gap) << c.name;
        EXPECT_EQ(DecodeItem(make_item(0x06, 3), r), c.pulse) << c.name;
    }
}

TEST(CodeItem, TypePredicates) {
    for (int type = 0; type < 256; ++type) {
        const auto item = make_item(static_cast<std::uint8_t>(type), 1);
        const bool duration = type <= 2 || (type >= 4 && type <= 6);
        EXPECT_EQ(IsDuration(item), duration) << type;
        EXPECT_EQ(IsToggle(item), type == 0x0B) << type;
        EXPECT_EQ(IsSetA(item), type >= 0x08 && type <= 0x0A) << type;
        EXPECT_EQ(IsSetADefine(item), type == 0x08) << type;
        EXPECT_EQ(IsSetBDefine(item), type == 0x0C) << type;
        EXPECT_EQ(IsDataField(item), type == 0x0F) << type;
        EXPECT_EQ(IsPeriodEntry(item), type == 0x19) << type;
    }
}

TEST(CodeItem, RoundingHalvesToEven) {
    const std::vector<std::pair<double, std::int64_t>> cases = {
        {0.5, 0},   {1.5, 2},    {2.5, 2},    {-0.5, 0},     {-1.5, -2},
        {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {-2.5001, -3}, {1e30, 9000000000000000000},
    };
    for (const auto& [value, rounded] : cases) EXPECT_EQ(RoundHalfEven(value), rounded) << value;
}

// Malformed records: counts above their maxima or entries naming sequences the
// record does not hold are never used, and reading them stays inside the body.
TEST(CodeInfoFile, MalformedRecordsAreRecognised) {
    struct Case {
        const char* name;
        std::size_t offset;
        std::uint8_t value;
    };
    const std::vector<Case> cases = {
        {"symbol count 5", layout::kSymbolCount, 5},
        {"symbol with 7 durations", layout::kSymbols, 7},
        {"sequence count 7", layout::kSequenceCount, 7},
        {"sequence with 33 items", layout::kSequences, 33},
        {"frame order count 9", layout::kFrameOrderCount, 9},
        {"repeat order count 5", layout::kRepeatOrderCount, 5},
        {"repeat tail beyond the frame order", layout::kRepeatTail, 2},
        {"frame order names sequence 2", layout::kFrameOrder + 2, 0x20},
        {"repeat order names sequence 15", layout::kRepeatOrder + 2, 0xF0},
        {"every count 255", layout::kSymbolCount, 255},
    };
    for (const auto& c : cases) {
        CodeTypeRecord r = ToRecord(NecLike());
        ASSERT_TRUE(IsWellFormed(r));
        r.body[c.offset] = c.value;
        EXPECT_FALSE(IsWellFormed(r)) << c.name;
    }
    CodeTypeRecord r;
    r.body.fill(0xFF);
    EXPECT_FALSE(IsWellFormed(r));
    EXPECT_EQ(r.symbol_item(4, 0), 0u);
    EXPECT_EQ(r.sequence_item(255, 255), 0u);
    EXPECT_EQ(r.frame_order_entry(254), 0u);
    EXPECT_EQ(r.repeat_order_entry(-1), 0u);
    EXPECT_EQ(r.u32_at(1010), 0u);
    EXPECT_EQ(r.byte_at(5000), 0u);
}

}  // namespace
}  // namespace orvalin::ircode::test
