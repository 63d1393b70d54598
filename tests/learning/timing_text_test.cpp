#include "learning/timing_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hex_groups.h"

namespace orvalin::learning {
namespace {

using testing::digits;

using Words = std::vector<std::string>;

// Collected text as the thread keeps it: the words, the three carrier bytes, then
// zero characters up to 10240.
std::string collected(const Words& words, const std::string& carrier = "4F5050", bool pad = true) {
    std::string text;
    for (const std::string& w : words) text += w;
    text += carrier;
    if (pad) text.resize(10240, '\0');
    return text;
}

Words operator+(Words a, const Words& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Words kFrame = {"8C00", "1A00", "8C00"};  // 966 us, 2276 us, 966 us
const Words kSilence(20, "7FFF");
const Words kGap32ms = {"7FFF", "7FFF", "7FFF", "0100"};

Words frames(int count) {
    Words words;
    for (int i = 0; i < count; ++i) words = words + kFrame + (i + 1 < count ? kGap32ms : kSilence);
    return words;
}

std::string repeat(const std::string& s, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += s;
    return out;
}

struct TimingCase {
    const char* name;
    std::string collected;
    std::string timing;
};

void expect_timings(const std::vector<TimingCase>& cases) {
    for (const TimingCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(convert_collected(c.collected), c.timing);
    }
}

TEST(ConvertCollected, WritesFramesGapsAndCarrier) {
    const std::vector<TimingCase> cases = {
        {"one frame with the assumed 20 ms gap", collected(kFrame + kSilence),
         digits("1 2512 03C6 08E4 03C6 FEFE 0014 EDED")},
        {"two frames with a 32 ms gap", collected(frames(2)),
         digits("2 2512 03C608E403C6 FEFE 0020 EDED 03C608E403C6 EDED")},
        {"long mark: 7FFF in a mark position before a mark word",
         collected(Words{"8C00", "1A00", "7FFF", "8300"} + kSilence),
         digits("1 2512 03C6 08E4 2B70 FEFE0014EDED")},
        {"7FFF in a mark position before a space is a mark of 7FFF",
         collected(Words{"8C00", "1A00", "7FFF", "1A00", "8C00"} + kSilence),
         digits("1 2512 03C6 08E4 2A70 08E4 03C6 FEFE0014EDED")},
        {"zero carrier bytes", collected(kFrame + kSilence, "000000"),
         digits("1 0000 03C608E403C6 FEFE0014EDED")},
        {"text without zero characters after it", collected(kFrame + kSilence, "4F5050", false),
         digits("1 2512 03C608E403C6 FEFE0014EDED")},
        {"nine frames", collected(frames(9)),
         digits("9 2512") + repeat(digits("03C608E403C6 FEFE0020EDED"), 8) +
             digits("03C608E403C6 EDED")},
        // Carrier 9000 / sum, exact: 75 gives 120 kHz.
        {"carrier sum 75", collected(kFrame + kSilence, "191919"),
         digits("1 7812 03C608E403C6 FEFE0014EDED")},
        {"carrier sum 36", collected(kFrame + kSilence, "0C0C0C"),
         digits("1 FA12 03C608E403C6 FEFE0014EDED")},
    };
    expect_timings(cases);
}

// Values the fixed widths cannot hold are brought into range, so that the frame
// count stays one digit and every duration four.
TEST(ConvertCollected, KeepsTheTimingTextWellFormed) {
    const std::vector<TimingCase> cases = {
        {"mark of raw 173 would be -1", collected(Words{"80AD", "1A00", "8C00"} + kSilence),
         digits("1 2512 0000 08E4 03C6 FEFE0014EDED")},
        {"mark of raw 174 is 0", collected(Words{"80AE", "1A00", "8C00"} + kSilence),
         digits("1 2512 0000 08E4 03C6 FEFE0014EDED")},
        {"mark of raw 177 is 1", collected(Words{"80B1", "1A00", "8C00"} + kSilence),
         digits("1 2512 0001 08E4 03C6 FEFE0014EDED")},
        {"mark of raw 0", collected(Words{"8000", "1A00", "8C00"} + kSilence),
         digits("1 2512 0000 08E4 03C6 FEFE0014EDED")},
        {"ten frames keep the first nine", collected(frames(10)),
         digits("9 2512") + repeat(digits("03C608E403C6 FEFE0020EDED"), 8) +
             digits("03C608E403C6 EDED")},
        {"twelve frames keep the first nine", collected(frames(12)),
         digits("9 2512") + repeat(digits("03C608E403C6 FEFE0020EDED"), 8) +
             digits("03C608E403C6 EDED")},
        {"carrier sum 35 would need three digits", collected(kFrame + kSilence, "0B0C0C"),
         digits("1 FF12 03C608E403C6 FEFE0014EDED")},
        {"carrier sum 1", collected(kFrame + kSilence, "000001"),
         digits("1 FF12 03C608E403C6 FEFE0014EDED")},
    };
    expect_timings(cases);
}

TEST(ConvertCollected, NoCompleteSignalGivesEmptyText) {
    struct Case {
        const char* name;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"nothing received", ""},
        {"zero characters only", std::string(10240, '\0')},
        {"no silence after the signal", collected(kFrame, "")},
        {"silence shorter than 20 words", collected(kFrame + Words(19, "7FFF"), "")},
        {"carrier bytes missing", collected(kFrame + kSilence, "")},
        {"carrier bytes cut short", collected(kFrame + kSilence, "4F")},
        {"word that is not hex", collected(Words{"8C00", "1AZ0", "8C00"} + kSilence)},
        {"text ends on a word", collected(kFrame, "", false)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(convert_collected(c.text), "");
    }
}

TEST(ConvertCollected, AnalysisReadsFromTheFirstDuration) {
    const std::string timing = convert_collected(collected(kFrame + kSilence));
    EXPECT_EQ(analysis_text(timing), digits("03C6 08E4 03C6 FEFE 0014 EDED"));
    const std::string ten = convert_collected(collected(frames(10)));
    EXPECT_EQ(analysis_text(ten).substr(0, 12), "03C608E403C6");
    EXPECT_EQ(analysis_text(""), "");
}

TEST(ConvertCollected, MarkWordsAndDurations) {
    struct Case {
        const char* word;
        bool mark;
    };
    const std::vector<Case> cases = {{"8C00", true},   {"8c00", true},  {"FFFF", true},
                                     {"1A00", false},  {"7FFF", false}, {"8C0", false},
                                     {"8C000", false}, {"ZC00", false}, {"", false}};
    for (const Case& c : cases) EXPECT_EQ(is_mark_word(c.word), c.mark) << c.word;
    EXPECT_EQ(word_duration(0x8C00), 0x0C00u);
    EXPECT_EQ(word_duration(0xFFFF), 0x7FFFu);
    EXPECT_EQ(word_duration(0x1A00), 0x1A00u);
}

}  // namespace
}  // namespace orvalin::learning
