// Recognition from the collected text to the key's one-key table: the timing text,
// the analysis with a code-info file, the converter when no code type fits, and
// the reason when nothing does.
#include "learning/recognition.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/fake_converter/fake_converter_client.h"

namespace orvalin::learning {
namespace {

namespace fs = std::filesystem;

const fs::path kCodeInfo = fs::path(ORVALIN_PROGRAM_DIR) / "QZ01.csl";
const fs::path kConverter = fs::path(ORVALIN_TEST_CONVERTER_DIR) / "quendrix.dll";

// One frame: mark 966 us, space 2276 us, mark 966 us, then the silence and the
// carrier bytes 4F 50 50, as the remote delivers it (zeros up to 10240).
std::string odd_capture() {
    std::string capture = "8C001A008C00";
    for (int i = 0; i < 20; ++i) capture += "7FFF";
    capture += "4F5050";
    capture.resize(10240, '\0');
    return capture;
}

TEST(Recognition, NoCodeTypeAndNoConverterGivesTheReason) {
    const Recognition r = recognise_collected(odd_capture(), 0x10, kCodeInfo, {});
    EXPECT_EQ(r.timing, "1251203C608E403C6FEFE0014EDED");
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.table.empty());
    EXPECT_TRUE(r.type_name.empty());
    EXPECT_EQ(r.reason, "no code type fits");
    EXPECT_FALSE(r.converter_asked);
}

TEST(Recognition, ConverterAnswersWhenNoCodeTypeFits) {
    testing::FakeConverter fake(kConverter);
    const Recognition r = recognise_collected(odd_capture(), 0x5C, kCodeInfo, kConverter);
    ASSERT_TRUE(r.ok()) << r.reason;
    EXPECT_TRUE(r.by_converter);
    EXPECT_TRUE(r.analysis.empty());
    EXPECT_EQ(r.converter_request,
              "#99|015C\r\n0:按钮0:{X=310,Y=120}|1251203C608E403C6FEFE0014EDED\r\n");
    EXPECT_EQ(r.table, "00015CCF0000040000035A5A1234C0FFEE");
    EXPECT_TRUE(r.reason.empty());
    EXPECT_EQ(fake.calls(), 1);
}

TEST(Recognition, UnusableConverterAnswersAreRefusedWithAReason) {
    testing::FakeConverter fake(kConverter);
    const struct {
        const char* name;
        const char* answer;
    } cases[] = {
        {"no answer", nullptr},
        {"empty answer", ""},
        {"a table that deletes the key", "000110CF000000000000"},
        {"a code for another key", "000111CF0000040000035A5A1234C0FFEE"},
        {"not a table", "ERROR"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake.set_answer(c.answer);
        const Recognition r = recognise_collected(odd_capture(), 0x10, kCodeInfo, kConverter);
        EXPECT_FALSE(r.ok());
        EXPECT_TRUE(r.converter_asked);
        EXPECT_FALSE(r.reason.empty());
    }
    const Recognition missing =
        recognise_collected(odd_capture(), 0x10, kCodeInfo, kConverter.parent_path() / "none.dll");
    EXPECT_FALSE(missing.ok());
    EXPECT_FALSE(missing.converter_error.empty());
    EXPECT_NE(missing.reason.find("converter"), std::string::npos);
}

TEST(Recognition, IncompleteCaptureOrKeyOutOfRangeFitsNothing) {
    std::string cut = odd_capture();
    cut.replace(12, 8, "0000\0\0\0\0");  // no silence after the signal
    cut.resize(20);
    const Recognition incomplete = recognise_collected(cut, 0x10, kCodeInfo, kConverter);
    EXPECT_TRUE(incomplete.timing.empty());
    EXPECT_FALSE(incomplete.ok());
    EXPECT_FALSE(incomplete.converter_asked);
    EXPECT_EQ(incomplete.reason, "the capture holds no complete signal");

    const Recognition big = recognise_collected(odd_capture(), 0x100, kCodeInfo, {});
    EXPECT_FALSE(big.ok());
    EXPECT_FALSE(big.reason.empty());
}

}  // namespace
}  // namespace orvalin::learning
