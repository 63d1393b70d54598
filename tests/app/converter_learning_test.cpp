// Learning through the window with the real fallback converter quendrix.dll and
// the simulated remote: a signal that no code type names ends as a learned key
// whose table replays as the signal.
#include <QPlainTextEdit>
#include <fstream>
#include <sstream>

#include "app/ibtn.h"
#include "ircode/replay.h"
#include "signals/mode2.h"
#include "tests/app/learning_fixture.h"
#include "tests/support/converter_signals.h"

namespace orvalin::app::testing {
namespace {

using ConverterLearning = SessionTest;

TEST_F(ConverterLearning, SignalThatNoCodeTypeNamesIsLearnedByTheConverter) {
    const std::string text =
        read_file(fs::path(ORVALIN_TEST_DATA_DIR) / "converter" / "lead_4500_24_bits.mode2");
    const std::optional<ir_signals::PulseSignal> signal = ir_signals::parse_mode2(text);
    ASSERT_TRUE(signal);

    auto w = open_window(true);
    start_learning(*w);
    learn(*w, 0x10, {signal->durations_us, signal->carrier_hz});
    // Learned: a pending line, the learned look, and the converter's answer in the
    // working table.
    EXPECT_TRUE(has_line(w->session().keys(), "10|3"));
    EXPECT_FALSE(key(*w, 0x10)->IsEnable());
    const QString memo = part<QPlainTextEdit>(*w, "Memo2")->toPlainText();
    const qsizetype at = memo.indexOf(QStringLiteral("fallback answer: "));
    ASSERT_GE(at, 0) << memo.toStdString();
    const std::string answer =
        memo.mid(at + 17).section(QLatin1Char('\n'), 0, 0).trimmed().toStdString();
    ASSERT_EQ(answer.substr(0, 6), "000110") << answer;

    // The key's table replays as the signal that was sent.
    std::string error;
    const auto replayed = ircode::replay_table(answer, &error);
    ASSERT_TRUE(replayed) << error;
    EXPECT_EQ(converter_signals::CompareReplay(*signal, *replayed), "");

    stop_learning(*w, Answer::yes);
    EXPECT_TRUE(has_code(remote_key_lines(), "10"));
    // Committed, the remote holds its type and key pieces.
    const std::size_t type_chars = 2 * std::stoul(answer.substr(12, 2), nullptr, 16);
    const std::string remote = remote_table_hex(2 * 5632);
    EXPECT_NE(remote.find(answer.substr(20, type_chars)), std::string::npos);
    EXPECT_NE(remote.find(answer.substr(20 + type_chars)), std::string::npos);
    close_window(*w);
}

}  // namespace
}  // namespace orvalin::app::testing
