// The outside converter: request text and its bytes across the boundary, loading
// by name, the answer's way back, and the checks on what it answers.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "learning/fallback_converter.h"
#include "tests/support/fake_converter/fake_converter_client.h"

namespace orvalin::learning {
namespace {

namespace fs = std::filesystem;

const fs::path kConverterDir = ORVALIN_TEST_CONVERTER_DIR;

std::string bytes(std::initializer_list<unsigned char> b) {
    return std::string(b.begin(), b.end());
}

TEST(FallbackRequest, ExactTextAndGbkBytesReachTheConverter) {
    const std::string request = fallback_request("1251203C608E403C6FEFE0014EDED", "5C");
    EXPECT_EQ(request, "#99|015C\r\n0:按钮0:{X=310,Y=120}|1251203C608E403C6FEFE0014EDED\r\n");

    testing::FakeConverter fake(kConverterDir / kFallbackLibraryName);
    const FallbackAnswer a = ask_fallback_converter(kConverterDir, request);
    ASSERT_TRUE(a.loaded) << a.error;
    ASSERT_TRUE(a.has_export) << a.error;
    // "按钮" in the GBK code page is B0 B4 C5 A5.
    const std::string expected = "#99|015C\r\n0:" + bytes({0xB0, 0xB4, 0xC5, 0xA5}) +
                                 "0:{X=310,Y=120}|1251203C608E403C6FEFE0014EDED\r\n";
    EXPECT_EQ(fake.last_request(), expected);
    EXPECT_TRUE(is_one_key_table_for(a.answer, "5C")) << a.answer;
}

TEST(FallbackRequest, AnswerComesBackFromGbk) {
    testing::FakeConverter fake(kConverterDir / kFallbackLibraryName);
    const std::string gbk = "0001" + bytes({0xB1, 0xE0, 0xC2, 0xEB});  // "编码"
    fake.set_answer(gbk.c_str());
    EXPECT_EQ(ask_fallback_converter(kConverterDir, "#99|0100\r\n").answer, "0001编码");
    fake.set_answer(nullptr);
    const FallbackAnswer none = ask_fallback_converter(kConverterDir, "#99|0100\r\n");
    EXPECT_TRUE(none.has_export);
    EXPECT_EQ(none.answer, "");
    EXPECT_EQ(fake.calls(), 2);
}

TEST(FallbackRequest, MissingLibraryOrExportGivesNoAnswer) {
    const struct {
        fs::path dir;
        bool loaded;
    } cases[] = {
        {fs::path(ORVALIN_TEST_CONVERTER_DIR) / "no-such-folder", false},
        {ORVALIN_TEST_CONVERTER_NOEXPORT_DIR, true},
    };
    for (const auto& c : cases) {
        const FallbackAnswer a = ask_fallback_converter(c.dir, "#99|0100\r\n");
        EXPECT_EQ(a.loaded, c.loaded) << c.dir;
        EXPECT_FALSE(a.has_export) << c.dir;
        EXPECT_TRUE(a.answer.empty()) << c.dir;
        EXPECT_FALSE(a.error.empty()) << c.dir;
    }
}

TEST(FallbackRequest, ShortFirstMarkAndItsGapAreDropped) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        // a first frame of one 29 us mark: the mark and its gap block go, 3 frames -> 2
        {"32512001DFEFE0010EDED03C608E4EDED", "2251203C608E4EDED"},
        // 30 us is not short
        {"32512001EFEFE0010EDED03C6EDED", "32512001EFEFE0010EDED03C6EDED"},
        // the first duration is not followed by a gap block
        {"2251200010100FEFE0010EDED", "2251200010100FEFE0010EDED"},
        // too short to hold a mark and a gap block
        {"125120010FEFE", "125120010FEFE"},
        // not hex
        {"225120G01FEFE0010EDED03C6EDED", "225120G01FEFE0010EDED03C6EDED"},
    };
    for (const auto& c : cases) EXPECT_EQ(drop_short_first_frame(c.in), c.out) << c.in;
}

TEST(FallbackRequest, OnlyAOneKeyTableWithACodeForTheKeyIsAccepted) {
    const struct {
        const char* text;
        const char* code;
        bool ok;
    } cases[] = {
        {"00015CCF000004000003A1B2C3D4AABBCC", "5C", true},
        {"00015CCF000004000003A1B2C3D4AABBCC\r\n", "5C", true},  // trailing text is not read
        {"00015ccf000004000003a1b2c3d4aabbcc", "5C", true},
        {"00015DCF000004000003A1B2C3D4AABBCC", "5C", false},  // another key
        {"00015CCF00000000000000", "5C", false},              // would delete the key
        {"00015CCF000004000000A1B2C3D4", "5C", false},        // no key piece
        {"00015CCF000004000003A1B2C3D4AABB", "5C", false},    // key piece cut short
        {"00025CCF000004000003A1B2C3D4AABBCC", "5C", false},  // two records
        {"01015CCF000004000003A1B2C3D4AABBCC", "5C", false},  // a link pair
        {"00015CCF0000040000G3A1B2C3D4AABBCC", "5C", false},
        {"", "5C", false},
        {"编码", "5C", false},
    };
    for (const auto& c : cases) EXPECT_EQ(is_one_key_table_for(c.text, c.code), c.ok) << c.text;
}

}  // namespace
}  // namespace orvalin::learning
