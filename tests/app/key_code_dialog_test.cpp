// The code dialog of a learned key on the offscreen platform: what it says
// about a named code and a generic one, and the picture it paints from the
// press geometry (the capture drawn under the replay).
#include "app/key_code_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <filesystem>
#include <random>

#include "ircode/analysis.h"
#include "ircode/generic_learner.h"
#include "learning/key_code.h"
#include "learning/signal_capture.h"
#include "tests/support/protocol_signals.h"

namespace orvalin::app {
namespace {

const std::filesystem::path kCodeInfo =
    std::filesystem::path(ORVALIN_PROGRAM_DIR) / ircode::kCodeInfoFileName;

struct Learned {
    ir_signals::PulseSignal signal;
    learning::KeyCode code;
};

Learned learn_nec(unsigned device, unsigned function) {
    std::mt19937 rng(1);
    const auto& p = protocols::protocol("NEC1");
    Learned l;
    l.signal = protocols::generate(p, {device, 0, function}, 0, 2, rng, 0.0).signal;
    const std::string timing = ir_signals::timing_text_of(l.signal);
    const auto result = ircode::analyse(std::string_view(timing).substr(5), 0x10, kCodeInfo);
    const auto code = learning::describe_key_code(result.table, 0x10, kCodeInfo);
    if (code) l.code = *code;
    return l;
}

// Pixels of the mark colour in a column of the painted picture.
int blue_in_column(const QImage& image, int x) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixelColor(x, y) == QColor(0x2a, 0x6f, 0xdb)) ++n;
    return n;
}

TEST(KeyCodeDialog, ShowsTypeParametersCarrierFramesAndThePicture) {
    const Learned l = learn_nec(4, 21);
    ASSERT_EQ(l.code.type_name, "NEC1");
    KeyCodeDialog dialog(QStringLiteral("VOL+"), l.code, l.signal.durations_us);
    EXPECT_EQ(dialog.type_label()->text(), QStringLiteral("NEC1"));
    EXPECT_EQ(dialog.parameters_label()->text(), QStringLiteral("device=4 function=21"));
    EXPECT_EQ(dialog.carrier_label()->text(), QStringLiteral("37.7 kHz"));
    // The frame, the ditto frame of the image, and the repeat frame it sends while held.
    EXPECT_EQ(dialog.frames_label()->text(),
              QStringLiteral("帧 1：67 个时长，之后静默 40.6 毫秒\n帧 2：3 个时长，之后静默 96.3 "
                             "毫秒\n重复帧 3：3 个时长"));
    EXPECT_TRUE(dialog.windowTitle().contains(QStringLiteral("VOL+")));

    // Replay and capture: one rectangle per pulse of each.
    const ircode::PressPicture& picture = dialog.picture_view()->picture();
    std::size_t pulses = 0;
    for (const int d : ircode::flatten(l.code.replayed)) pulses += d > 0 ? 1 : 0;
    for (const int d : l.signal.durations_us) pulses += d > 0 ? 1 : 0;
    EXPECT_EQ(picture.marks.size(), pulses);

    // Painted as laid out: the lead mark's middle column is blue in both rows,
    // the space after it in neither.
    const QImage image = dialog.picture_view()->grab().toImage();
    const auto& lead = picture.marks.front();
    EXPECT_EQ(blue_in_column(image, static_cast<int>(lead.x + lead.width / 2)),
              2 * static_cast<int>(lead.height));
    EXPECT_EQ(blue_in_column(image, static_cast<int>(lead.x + lead.width + 3)), 0);
}

TEST(KeyCodeDialog, GenericCodeShowsItsShapeAndSymbols) {
    std::vector<int> f{3000, -3000};
    for (int i = 0; i < 20; ++i) {
        f.push_back(500);
        f.push_back(i % 3 == 0 ? -1500 : -500);
    }
    f.push_back(500);
    ir_signals::PulseSignal s;
    s.durations_us = f;
    s.durations_us.push_back(-40000);
    s.durations_us.insert(s.durations_us.end(), f.begin(), f.end());
    const auto generic = ircode::LearnGeneric(ir_signals::timing_text_of(s), 0x10);
    ASSERT_TRUE(generic);
    const auto code = learning::describe_key_code(generic->table, 0x10, kCodeInfo);
    ASSERT_TRUE(code);
    ASSERT_TRUE(code->generic());
    KeyCodeDialog dialog(QStringLiteral("F1"), *code, std::nullopt);
    EXPECT_EQ(dialog.type_label()->text(), QStringLiteral("通用编码"));
    const QString shape = dialog.parameters_label()->text();
    // Described from the image: the shape learned again from its replay.
    EXPECT_TRUE(shape.startsWith(QStringLiteral("pulse-distance 20 bits, lead ")))
        << shape.toStdString();
    EXPECT_TRUE(shape.contains(QStringLiteral("u = "))) << shape.toStdString();
    EXPECT_TRUE(shape.contains(QStringLiteral("v = "))) << shape.toStdString();
    // The replay alone: one row.
    std::size_t pulses = 0;
    for (const int d : ircode::flatten(code->replayed)) pulses += d > 0 ? 1 : 0;
    EXPECT_EQ(dialog.picture_view()->picture().marks.size(), pulses);
}

}  // namespace
}  // namespace orvalin::app

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
