// Fixture of the learning and deletion window tests: the simulated remote, a
// program folder of its own (picture libraries, code-info file and, when asked,
// the test converter), a backup folder of its own, and scripted message boxes.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "common/key_table.h"
#include "device/sim/sim_control.h"
#include "learning/collect_thread.h"
#include "learning/key_states.h"
#include "tests/app/scripted_prompter.h"
#include "tests/app/window_parts.h"

namespace orvalin::app::testing {

namespace fs = std::filesystem;

// Runs the event loop until cond holds or the time is up; returns cond().
bool wait_for(const std::function<bool()>& cond,
              std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The built-in NEC demo signal (recognised by the shipped code-info file).
vorkel::sim::Signal nec_signal();
// A signal that no code type fits: one mark, one space, one mark.
vorkel::sim::Signal odd_signal();

// Key states: the key holds exactly this state (given as a parser line "KK|S") /
// any state for this table code (two hex digits).
bool has_line(const learning::KeyStates& keys, const std::string& line);
bool has_code(const learning::KeyStates& keys, const std::string& code);
std::string read_file(const fs::path& path);
std::vector<std::uint8_t> bytes_of(const std::string& hex);

// The remote's code table as hex text, as long as the given table text says.
std::string remote_table_hex(std::size_t chars);
// Key states that a fresh read of the remote's table gives.
learning::KeyStates remote_key_lines();

class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Program folder with links to the build's picture libraries and code-info
    // file; with_converter adds the test converter as "quendrix.dll".
    QString make_program_dir(bool with_converter);

    // Creates the main window against the simulated remote and shows it.
    std::unique_ptr<Tmainorvalin> open_window(bool with_converter = false);
    // Closes the window through its close path (boxes expected by the caller).
    void close_window(Tmainorvalin& w);
    // Ends the link monitor, for tests that unplug the remote on purpose.
    void stop_link_monitor(Tmainorvalin& w);

    IBtn* key(Tmainorvalin& w, int code) const;
    // Clicks a key in learning, plays signal and waits for the end of collection,
    // answering the "received" box.
    void learn(Tmainorvalin& w, int code, const vorkel::sim::Signal& signal);
    // Waits until the collection thread has ended and its end handler has run.
    bool wait_collection_done(Tmainorvalin& w);
    // Start or stop learning; stopping with changes answers the commit question.
    void start_learning(Tmainorvalin& w);
    void stop_learning(Tmainorvalin& w, Answer commit_answer);
    void stop_learning_without_changes(Tmainorvalin& w);

    std::vector<fs::path> backups() const;           // code-table-*.hex, oldest first
    std::vector<fs::path> unwritten_tables() const;  // unwritten-*.hex

    ScriptedPrompter boxes;
    fs::path temp_;
    fs::path backup_dir_;
};

}  // namespace orvalin::app::testing
