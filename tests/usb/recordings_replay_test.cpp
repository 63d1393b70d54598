// Every recording under tests/data/recordings replayed through the unmodified
// Linux backend: the device description gives sysfs and the nodes, the ioctl
// log answers the control transfers in order, and orvalin-cli must print what
// it printed when the recording was made. A recording is a folder holding
// device.umockdev, usbfs.ioctl, command (orvalin-cli's arguments) and
// expected.out (see the README on making one from a real remote).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/cli_run.h"
#include "tests/usb/emulated_remote.h"

namespace orvalin::usb_test {
namespace {

namespace fs = std::filesystem;
using cli_test::quote;
using cli_test::read_file;

const fs::path kRecordings = fs::path(ORVALIN_TEST_DATA_DIR) / "recordings";
using cli_test::kProgram;

std::vector<fs::path> recordings() {
    std::vector<fs::path> found;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(kRecordings, ec)) {
        if (fs::exists(e.path() / "device.umockdev")) found.push_back(e.path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

TEST(Recordings, EachReplaysThroughTheLinuxBackendWithTheRecordedAnswers) {
    const std::vector<fs::path> all = recordings();
    ASSERT_FALSE(all.empty()) << "no recording under " << kRecordings;
    const fs::path out = fs::temp_directory_path() / ("usb-replay-" + std::to_string(::getpid()));
    for (const fs::path& dir : all) {
        SCOPED_TRACE(dir.filename().string());
        const std::optional<std::vector<RecordedTransfer>> transfers =
            read_control_transfers(dir / "usbfs.ioctl");
        ASSERT_TRUE(transfers) << "unreadable ioctl log";
        ASSERT_FALSE(transfers->empty());
        EmulatedBus bus;
        EmulatedRemote& remote = bus.add_recorded_remote(dir / "device.umockdev");
        remote.replay(*transfers);

        std::string command = "env -u VORKEL_BACKEND";
        for (const std::string& e : bus.client_environment()) command += " " + quote(e);
        command += " " + quote(kProgram.string());
        std::istringstream args(read_file(dir / "command"));
        for (std::string a; args >> a;) command += " " + quote(a);
        command += " </dev/null >" + quote(out.string()) + " 2>&1";
        const int raw = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << read_file(out);
        EXPECT_EQ(read_file(out), read_file(dir / "expected.out"));
        EXPECT_EQ(remote.replay_mismatches(), 0u)
            << "a request that was not recorded (a recording made by an older orvalin-cli is made "
               "again as the README says)";
        EXPECT_EQ(remote.replay_left(), 0u) << "recorded transfers never asked for";
    }
    fs::remove(out);
}

// A log that does not parse is refused, not half read.
TEST(Recordings, BrokenIoctlLogsAreRefused) {
    const fs::path dir = fs::temp_directory_path() / ("usb-bad-log-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::vector<std::string> broken = {
        "USBDEVFS_REAPURBNDELAY 0 2 0 0 0 12\n",                               // fields missing
        "USBDEVFS_REAPURBNDELAY 0 2 0 0 0 12 4 0 8006000300000A00\n",          // buffer too short
        "USBDEVFS_REAPURBNDELAY 0 2 0 0 0 12 9 0 8006000300000A0004030904\n",  // more than room
        "USBDEVFS_REAPURBNDELAY 0 2 0 0 0 12 4 0 8006000300000A00040309ZZ\n",  // not hex
        "USBDEVFS_REAPURBNDELAY 0 2 0 0 0 4 0 0 80060003\n",                   // no setup packet
    };
    for (const std::string& text : broken) {
        std::ofstream(dir / "log") << text;
        EXPECT_FALSE(read_control_transfers(dir / "log")) << text;
    }
    std::ofstream(dir / "log")
        << "USBDEVFS_GET_CAPABILITIES 0 0F000000\n"
        << "USBDEVFS_REAPURBNDELAY 0 2 0 0 0 12 4 0 8006000300000A0004030904\n";
    const auto good = read_control_transfers(dir / "log");
    ASSERT_TRUE(good);
    ASSERT_EQ(good->size(), 1u);
    EXPECT_EQ(good->front().reply, (std::vector<std::uint8_t>{4, 3, 9, 4}));
    EXPECT_FALSE(read_control_transfers(dir / "missing"));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace orvalin::usb_test
