#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "device/sim/demo_signals.h"
#include "device/sim/factory_state.h"
#include "device/sim/state_file.h"
#include "device/transport.h"
#include "device/vorkel.h"
#include "signals/capture.h"
#include "signals/sampling.h"
#include "sim_fixture.h"

namespace {

namespace fs = std::filesystem;

class TempDir {
  public:
    TempDir() {
        path_ =
            fs::temp_directory_path() /
            ("vorkel-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

void write_file(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string capture() {
    std::vector<char> out(10240, '\0');
    if (!RCollectCodeInfo(out.data())) return {};
    return out.data();
}

using SimRemote = SimRemoteTest;

TEST_F(SimRemote, StateFileRoundTrip) {
    TempDir dir;
    const fs::path state = dir.path() / "sub" / "remote.state";
    vorkel::sim::set_state_file(state.string());
    EXPECT_FALSE(fs::exists(state)) << "nothing written before a write command";
    ASSERT_TRUE(WCodeTypeData("00010ACF"));
    ASSERT_TRUE(fs::exists(state));
    vorkel::sim::reset();
    EXPECT_NE(vorkel::sim::code_table(4), (std::vector<uint8_t>{0x00, 0x01, 0x0A, 0xCF}));
    vorkel::sim::set_state_file(state.string());
    EXPECT_EQ(vorkel::sim::code_table(4), (std::vector<uint8_t>{0x00, 0x01, 0x0A, 0xCF}));
    for (const auto& entry : fs::directory_iterator(state.parent_path())) {
        EXPECT_EQ(entry.path().filename(), "remote.state") << "no temporary file left";
    }
}

TEST_F(SimRemote, DamagedStateFileStartsFromFactory) {
    TempDir dir;
    const fs::path state = dir.path() / "remote.state";
    for (const std::string& content : {std::string("garbage"), std::string()}) {
        write_file(state, content);
        vorkel::sim::reset();
        vorkel::sim::set_state_file(state.string());
        const std::vector<uint8_t> factory = vorkel::sim::factory_code_table();
        EXPECT_EQ(vorkel::sim::code_table(factory.size()), factory);
    }
}

TEST_F(SimRemote, DamagedStateFileIsKeptAsideNotReplaced) {
    TempDir dir;
    const fs::path state = dir.path() / "remote.state";
    write_file(state, "garbage");
    vorkel::sim::set_state_file(state.string());
    ASSERT_TRUE(WCodeTypeData("00010ACF"));
    std::vector<fs::path> aside;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        if (entry.path().filename().string().starts_with("remote.state.damaged-"))
            aside.push_back(entry.path());
    ASSERT_EQ(aside.size(), 1u);
    std::ifstream in(aside[0], std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "garbage");
    // The new state file holds the write, whole.
    vorkel::sim::reset();
    vorkel::sim::set_state_file(state.string());
    EXPECT_EQ(vorkel::sim::code_table(4), (std::vector<uint8_t>{0x00, 0x01, 0x0A, 0xCF}));
}

// Two processes on one state file see one remote: what one writes, the other reads
// at its next transaction, not the copy it loaded at its start.
TEST_F(SimRemote, OneStateFileIsOneRemoteAcrossProcesses) {
    TempDir dir;
    const fs::path state = dir.path() / "remote.state";
    vorkel::sim::set_state_file(state.string());
    std::vector<char> out(11265, '\0');
    ASSERT_TRUE(RCodeTypeData(out.data()));
    ASSERT_NE(std::string(out.data()).substr(0, 8), "00010ACF");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(WCodeTypeData("00010ACF") ? 0 : 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::fill(out.begin(), out.end(), '\0');
    ASSERT_TRUE(RCodeTypeData(out.data()));
    EXPECT_EQ(std::string(out.data()).substr(0, 8), "00010ACF");
    // And this process's write does not bring back its older copy of the rest.
    ASSERT_TRUE(WCodeTypeData("00010BCF"));
    EXPECT_EQ(vorkel::sim::load_state(state)
                  .value()[vorkel::sim::kCodeTablePage * vorkel::sim::kPageSize + 2],
              0x0B);
}

TEST_F(SimRemote, SignalFolderPlaysFilesInNameOrder) {
    TempDir dir;
    write_file(dir.path() / "b.txt", "carrier 40000\npulse 2400\nspace 600\npulse 1200\n");
    write_file(dir.path() / "a.txt", "pulse 900\nspace 2200\npulse 900\n");
    write_file(dir.path() / "c.txt", "not a signal\n");
    vorkel::sim::set_signal_folder(dir.path().string());
    const auto expect = [](const char* mode2) {
        const auto signal = orvalin::ir_signals::parse_mode2(mode2);
        const auto sampled = orvalin::ir_signals::sample_signal(*signal);
        return orvalin::ir_signals::capture_text(sampled.bytes, sampled.status);
    };
    // The key press comes after the first capture ended: the file waits in the folder.
    vorkel::sim::set_signal_delay_polls(1500);
    EXPECT_EQ(capture(), "");
    EXPECT_TRUE(fs::exists(dir.path() / "a.txt")) << "not played yet";
    EXPECT_EQ(capture(), expect("pulse 900\nspace 2200\npulse 900\n"));
    EXPECT_TRUE(fs::exists(dir.path() / "played" / "a.txt")) << "moved aside, not deleted";
    EXPECT_FALSE(fs::exists(dir.path() / "a.txt"));
    vorkel::sim::set_signal_delay_polls(0);
    EXPECT_EQ(capture(), expect("carrier 40000\npulse 2400\nspace 600\npulse 1200\n"));
    EXPECT_EQ(capture(), "") << "a file that is not a signal plays nothing";
    EXPECT_TRUE(fs::exists(dir.path() / "played" / "c.txt"));
    EXPECT_EQ(capture(), "") << "empty folder";
}

TEST_F(SimRemote, DemoSignalsPlayInTurn) {
    vorkel::sim::set_demo_signals(true);
    const auto demo = vorkel::sim::demo_signals();
    ASSERT_EQ(demo.size(), 3u);
    for (int round = 0; round < 2; ++round) {
        for (const auto& signal : demo) {
            const auto sampled = orvalin::ir_signals::sample_signal(signal);
            EXPECT_EQ(capture(), orvalin::ir_signals::capture_text(sampled.bytes, sampled.status));
        }
    }
}

TEST(DemoSignals, StandardTimings) {
    const auto demo = vorkel::sim::demo_signals();
    ASSERT_EQ(demo.size(), 3u);
    const auto& nec = demo[0];
    EXPECT_EQ(nec.carrier_hz, 38000);
    ASSERT_EQ(nec.durations_us.size(), 2u + 64u + 1u + 1u + 3u);
    EXPECT_EQ(nec.durations_us[0], 9000);
    EXPECT_EQ(nec.durations_us[1], -4500);
    long frame = 0;
    for (std::size_t i = 0; i < 68; ++i) frame += std::labs(nec.durations_us[i]);
    EXPECT_EQ(frame, 108000) << "repeat frame starts 108 ms after the first";
    EXPECT_EQ(nec.durations_us[69], -2250);

    const auto& sony = demo[1];
    EXPECT_EQ(sony.carrier_hz, 40000);
    ASSERT_EQ(sony.durations_us.size(), 3u * 25u + 2u);
    EXPECT_EQ(sony.durations_us[0], 2400);
    long sony_frame = 0;
    for (std::size_t i = 0; i < 26; ++i) sony_frame += std::labs(sony.durations_us[i]);
    EXPECT_EQ(sony_frame, 45000);
    EXPECT_EQ(sony.durations_us[26], 2400);

    const auto& rc5 = demo[2];
    EXPECT_EQ(rc5.carrier_hz, 36000);
    for (const int d : rc5.durations_us) {
        const int a = std::abs(d);
        EXPECT_TRUE(a == 889 || a == 1778 || a > 80000) << d;
    }
    // Each demo survives the capture: one frame text per signal, cut after its last mark.
    for (const auto& signal : demo) {
        const auto sampled = orvalin::ir_signals::sample_signal(signal);
        EXPECT_LT(sampled.bytes.size(), 1500u);
    }
}

TEST(FactoryTable, IsAWellFormedTableOfPresetCblKeys) {
    const std::vector<uint8_t> t = vorkel::sim::factory_code_table();
    ASSERT_GE(t.size(), 2u);
    const std::size_t links = t[0];
    ASSERT_GE(links, 1u);
    const std::size_t records = t[1 + 2 * links];
    const std::size_t first_record = 2 + 2 * links;
    ASSERT_GE(records, 1u);
    int previous = -1;
    bool hidden_preset = false;
    for (std::size_t r = 0; r < records; ++r) {
        const uint8_t* rec = t.data() + first_record + 8 * r;
        EXPECT_GE(rec[0], 0x33);
        EXPECT_LE(rec[0], 0x65);
        EXPECT_GT(rec[0], previous) << "ascending table codes";
        previous = rec[0];
        EXPECT_EQ(rec[1] & 0x40, 0) << "no learned key at the factory";
        const std::size_t type_offset = rec[2] | rec[3] << 8;
        const std::size_t key_offset = rec[5] | rec[6] << 8;
        EXPECT_GE(type_offset, first_record + 8 * records);
        EXPECT_LE(type_offset + rec[4], t.size());
        EXPECT_GT(rec[4], 2) << "type pieces of three bytes or more";
        EXPECT_LE(key_offset + rec[7], t.size());
        for (std::size_t l = 0; l < links; ++l) hidden_preset |= t[2 + 2 * l] == rec[0];
    }
    EXPECT_TRUE(hidden_preset) << "a link pair whose second key holds a preset record";
    EXPECT_LE(t.size(), 4100u);
    // The remote's memory holds it at page 0xDA, and the export reads it.
    vorkel::sim::activate();
    std::vector<char> out(12288, '\0');
    ASSERT_TRUE(RCodeTypeData(out.data()));
    EXPECT_EQ(std::string(out.data()).substr(0, t.size() * 2),
              vorkel::bytes_to_hex(t.data(), t.size()));
}

TEST_F(SimRemote, LinkStateRunsBesideACapture) {
    vorkel::sim::set_signal_delay_polls(200);
    vorkel::sim::set_latency_us(50);
    vorkel::sim::queue_signal({{900, -2200, 900}, 38000});
    std::atomic<bool> done{false};
    std::atomic<int> seen{0};
    std::thread monitor([&] {
        while (!done) seen += link_state() ? 1 : 0;
    });
    const std::string text = capture();
    done = true;
    monitor.join();
    EXPECT_FALSE(text.empty());
    EXPECT_GT(seen.load(), 0);
}

}  // namespace
