// Learning checked by a second press in the main window against the simulated
// remote: off by default (the flow stays as it is); on, a key is taken when two
// presses give the same code, a third decides when they differ, three
// different codes leave the key unlearned, and a toggle bit is no difference.
#include <QCheckBox>
#include <random>

#include "app/ibtn.h"
#include "tests/app/learning_fixture.h"
#include "tests/support/protocol_signals.h"

namespace orvalin::app::testing {
namespace {

vorkel::sim::Signal press(const char* protocol, std::vector<unsigned> parameters, int toggle = 0) {
    std::mt19937 rng(3);
    const auto& p = protocols::protocol(protocol);
    const auto g = protocols::generate(p, parameters, toggle, p.frames_per_press, rng, 0.02);
    return {g.signal.durations_us, g.signal.carrier_hz};
}

class VerifyPresses : public SessionTest {};

TEST_F(VerifyPresses, OffByDefaultOnePressLearnsTheKey) {
    auto w = open_window();
    ASSERT_NE(part<QCheckBox>(*w, "verify_presses"), nullptr);
    EXPECT_FALSE(part<QCheckBox>(*w, "verify_presses")->isChecked());
    EXPECT_EQ(part<QCheckBox>(*w, "verify_presses")->text(), QStringLiteral("按两次核对编码"));
    start_learning(*w);
    learn(*w, 0x10, press("NEC1", {4, 0, 21}));
    EXPECT_TRUE(has_line(w->session().keys(), "10|3"));
    stop_learning(*w, Answer::no);
    close_window(*w);
}

TEST_F(VerifyPresses, TwoEqualPressesOrAToggleBitLearnTheKey) {
    const struct {
        const char* name;
        int key;
        vorkel::sim::Signal first, second;
    } cases[] = {
        {"equal", 0x10, press("NEC1", {4, 0, 21}), press("NEC1", {4, 0, 21})},
        {"toggle", 0x16, press("RC5", {5, 83}, 0), press("RC5", {5, 83}, 1)},
    };
    auto w = open_window();
    part<QCheckBox>(*w, "verify_presses")->setChecked(true);
    start_learning(*w);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vorkel::sim::queue_signal(c.first);
        vorkel::sim::queue_signal(c.second);
        boxes.expect(QStringLiteral("请再按一次该键，核对学习的编码！"), Answer::ok);
        boxes.expect(QStringLiteral("已接收到遥控器编码！"), Answer::ok);
        w->key_click(key(*w, c.key));
        EXPECT_TRUE(wait_collection_done(*w));
        EXPECT_TRUE(has_code(w->session().keys(), c.key == 0x10 ? "10" : "16"));
    }
    stop_learning(*w, Answer::no);
    close_window(*w);
}

TEST_F(VerifyPresses, DifferentPressesAreDecidedByAThirdOrRefused) {
    auto w = open_window();
    part<QCheckBox>(*w, "verify_presses")->setChecked(true);
    start_learning(*w);
    // The third agrees with the second: the second's code is taken.
    vorkel::sim::queue_signal(press("NEC1", {4, 0, 21}));
    vorkel::sim::queue_signal(press("NEC1", {4, 0, 22}));
    vorkel::sim::queue_signal(press("NEC1", {4, 0, 22}));
    boxes.expect(QStringLiteral("请再按一次该键，核对学习的编码！"), Answer::ok);
    boxes.expect(QStringLiteral("两次按键的编码不同（function 21 / 22），请再按一次该键！"),
                 Answer::ok);
    boxes.expect(QStringLiteral("已接收到遥控器编码！"), Answer::ok);
    w->key_click(key(*w, 0x10));
    EXPECT_TRUE(wait_collection_done(*w));
    EXPECT_TRUE(has_line(w->session().keys(), "10|3"));
    const std::string learned = w->session().working_table();

    // Three different codes: the key stays unlearned, the table as it was.
    vorkel::sim::queue_signal(press("NEC1", {4, 0, 1}));
    vorkel::sim::queue_signal(press("NEC1", {4, 0, 2}));
    vorkel::sim::queue_signal(press("NEC1", {4, 0, 3}));
    boxes.expect(QStringLiteral("请再按一次该键，核对学习的编码！"), Answer::ok);
    boxes.expect(QStringLiteral("两次按键的编码不同（function 1 / 2），请再按一次该键！"),
                 Answer::ok);
    boxes.expect(QStringLiteral("三次按键的编码各不相同（function 1 / 3; function 2 / "
                                "3），该键没有学习！"),
                 Answer::ok);
    w->key_click(key(*w, 0x16));  // F1
    EXPECT_TRUE(wait_collection_done(*w));
    EXPECT_FALSE(has_code(w->session().keys(), "16"));
    EXPECT_EQ(w->session().working_table(), learned);
    stop_learning(*w, Answer::no);
    close_window(*w);
}

}  // namespace
}  // namespace orvalin::app::testing
