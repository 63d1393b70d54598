// The simulated remote as a program meets it: chosen and configured only through
// the environment (VORKEL_BACKEND, VORKEL_SIM_STATE, VORKEL_SIM_SIGNALS), with the
// program's signal delay. The model is built at the first call, so the files are
// laid out before it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "device/sim/factory_state.h"
#include "device/sim/state_file.h"
#include "device/transport.h"
#include "device/vorkel.h"
#include "signals/capture.h"
#include "signals/sampling.h"

namespace {

namespace fs = std::filesystem;

TEST(SimulatedRemoteFromEnvironment, FactoryTableSignalFolderAndStateFile) {
    const char* state_env = std::getenv("VORKEL_SIM_STATE");
    const char* signals_env = std::getenv("VORKEL_SIM_SIGNALS");
    ASSERT_NE(state_env, nullptr);
    ASSERT_NE(signals_env, nullptr);
    const fs::path state = state_env;
    const fs::path signals = signals_env;
    fs::remove(state);
    fs::remove_all(signals);
    fs::create_directories(signals);
    const std::string mode2 =
        "carrier 38000\npulse 9000\nspace 4500\npulse 560\nspace 1690\npulse 560\n";
    std::ofstream(signals / "01-key.txt") << mode2;

    ASSERT_TRUE(link_state());
    std::vector<char> out(12288, '\0');
    ASSERT_TRUE(RCodeTypeData(out.data()));
    const std::vector<uint8_t> factory = vorkel::sim::factory_code_table();
    EXPECT_EQ(std::string(out.data()).substr(0, factory.size() * 2),
              vorkel::bytes_to_hex(factory.data(), factory.size()));

    // The key is pressed a while after the collection starts: not in the first capture.
    ASSERT_TRUE(SetCodeCarrierWave());
    std::vector<char> capture(10240, '\0');
    int calls = 0;
    bool got = false;
    while (!got && calls < 5) {
        got = RCollectCodeInfo(capture.data());
        ++calls;
    }
    ASSERT_TRUE(got);
    EXPECT_GT(calls, 1);
    const auto sampled =
        orvalin::ir_signals::sample_signal(*orvalin::ir_signals::parse_mode2(mode2));
    EXPECT_EQ(std::string(capture.data()),
              orvalin::ir_signals::capture_text(sampled.bytes, sampled.status));
    EXPECT_TRUE(fs::exists(signals / "played" / "01-key.txt"));
    EXPECT_FALSE(RCollectCodeInfo(capture.data())) << "the folder is empty now";

    EXPECT_FALSE(fs::exists(state)) << "reads write no state";
    ASSERT_TRUE(WCodeTypeData("0000"));
    const auto memory = vorkel::sim::load_state(state);
    ASSERT_TRUE(memory);
    const std::size_t table = vorkel::sim::kCodeTablePage * vorkel::sim::kPageSize;
    EXPECT_EQ((*memory)[table], 0x00);
    EXPECT_EQ((*memory)[table + 1], 0x00);
    EXPECT_EQ((*memory)[table + 31], 0xFF) << "the rest of the block is filled";
    EXPECT_EQ((*memory)[table + 32], factory[32]) << "the next block is untouched";
}

}  // namespace
