// Learning checked by a second press: presses generated from the protocols,
// learned, and fed to the check in the order a user would press them.
#include "learning/press_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "ircode/analysis.h"
#include "ircode/generic_learner.h"
#include "learning/signal_capture.h"
#include "tests/support/protocol_signals.h"

namespace orvalin::learning {
namespace {

const std::filesystem::path kCodeInfo =
    std::filesystem::path(ORVALIN_PROGRAM_DIR) / ircode::kCodeInfoFileName;

struct Press {
    const char* protocol;
    std::vector<unsigned> parameters;
    int toggle = 0;
    int frames = 0;  // 0: as the protocol sends a press
};

struct Learned {
    std::string table;
    KeyCode code;
};

Learned learn(const Press& press, std::mt19937& rng) {
    const auto& p = protocols::protocol(press.protocol);
    const auto g =
        protocols::generate(p, press.parameters, press.toggle,
                            press.frames > 0 ? press.frames : p.frames_per_press, rng, 0.04);
    const std::string timing = ir_signals::timing_text_of(g.signal);
    const auto r = ircode::analyse(std::string_view(timing).substr(5), 0x10, kCodeInfo);
    Learned l;
    l.table = r.table;
    if (auto code = describe_key_code(r.table, 0x10, kCodeInfo)) l.code = std::move(*code);
    return l;
}

TEST(PressCheck, SecondPressConfirmsAndAThirdDecides) {
    using Step = PressCheck::Step;
    const struct {
        const char* name;
        std::vector<Press> presses;
        std::vector<Step> steps;
        int taken;               // which press's code is taken; -1 none
        const char* difference;  // after the last step
    } cases[] = {
        {"two equal presses",
         {{"NEC1", {4, 0, 21}}, {"NEC1", {4, 0, 21}}},
         {Step::again, Step::taken},
         0,
         ""},
        {"RC5 toggle bit",
         {{"RC5", {5, 83}, 0}, {"RC5", {5, 83}, 1}},
         {Step::again, Step::taken},
         0,
         ""},
        {"RC6 toggle bit",
         {{"RC6", {4, 12}, 0}, {"RC6", {4, 12}, 1}},
         {Step::again, Step::taken},
         0,
         ""},
        {"MCE toggle parameter",
         {{"RC6 MCE", {15, 13}, 0}, {"RC6 MCE", {15, 13}, 1}},
         {Step::again, Step::taken},
         0,
         ""},
        {"one frame or more",
         {{"RC5", {5, 83}, 0, 1}, {"RC5", {5, 83}, 0, 2}},
         {Step::again, Step::taken},
         0,
         ""},
        {"two different, the third agrees with the second",
         {{"NEC1", {4, 0, 21}}, {"NEC1", {4, 0, 22}}, {"NEC1", {4, 0, 22}}},
         {Step::again, Step::third, Step::taken},
         1,
         "function 21 / 22"},
        {"two different, the third agrees with the first",
         {{"Sony12", {21, 1}}, {"Sony15", {21, 1}}, {"Sony12", {21, 1}}},
         {Step::again, Step::third, Step::taken},
         0,
         "code type Sony12 / Sony15"},
        {"three different",
         {{"NEC1", {4, 0, 21}}, {"NEC1", {4, 0, 22}}, {"NEC1", {5, 0, 23}}},
         {Step::again, Step::third, Step::refused},
         -1,
         "device 4 / 5, function 21 / 23; device 4 / 5, function 22 / 23"},
    };
    std::mt19937 rng(23);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PressCheck check;
        std::vector<Learned> learned;
        for (std::size_t i = 0; i < c.presses.size(); ++i) {
            learned.push_back(learn(c.presses[i], rng));
            ASSERT_FALSE(learned.back().table.empty()) << i;
            EXPECT_EQ(check.add(learned.back().table, learned.back().code), c.steps[i]) << i;
        }
        EXPECT_EQ(check.taken_table(),
                  c.taken >= 0 ? learned[static_cast<std::size_t>(c.taken)].table : "");
        if (c.steps.size() == 3) {
            EXPECT_EQ(check.difference(), c.difference);
        }
    }
}

TEST(PressCheck, GenericCodesMustGiveTheSameImage) {
    KeyCode generic;  // no type: a generic code
    PressCheck same;
    EXPECT_EQ(same.add("0001AA", generic), PressCheck::Step::again);
    EXPECT_EQ(same.add("0001AA", generic), PressCheck::Step::taken);
    EXPECT_EQ(same.taken_table(), "0001AA");
    PressCheck differ;
    differ.add("0001AA", generic);
    EXPECT_EQ(differ.add("0001AB", generic), PressCheck::Step::third);
    EXPECT_EQ(differ.difference(), "the learned images differ");
    EXPECT_EQ(differ.add("0001AB", generic), PressCheck::Step::taken);
    EXPECT_EQ(differ.taken_table(), "0001AB");
    // A generic code against a named one.
    KeyCode named;
    named.type_name = "NEC1";
    EXPECT_EQ(press_difference("a", generic, "b", named), "code type generic / NEC1");
}

}  // namespace
}  // namespace orvalin::learning
