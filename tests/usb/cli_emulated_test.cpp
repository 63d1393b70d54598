// orvalin-cli as a user runs it (the real binary, VORKEL_BACKEND unset) against
// the remote emulated behind the kernel's interfaces: every device call goes
// through libvorkel.so's Linux backend; the remote's memory is checked in the
// model afterwards.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/hex_text.h"
#include "device/sim/factory_state.h"
#include "signals/sampling.h"
#include "tests/cli/cli_run.h"
#include "tests/usb/emulated_remote.h"

namespace orvalin::usb_test {
namespace {

namespace fs = std::filesystem;
using cli_test::quote;
using cli_test::read_file;
namespace sim = vorkel::sim;

using cli_test::kProgram;
const fs::path kData = fs::path(ORVALIN_TEST_DATA_DIR) / "cli";
constexpr std::size_t kTableBytes = 5632;

using cli_test::Result;

class CliOnEmulatedRemote : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "orvalin-usb-cli-XXXXXX").string();
        dir_ = ::mkdtemp(tmpl.data());
        remote_ = &bus_.add_remote();
    }
    void TearDown() override { fs::remove_all(dir_); }

    // prefix: run through another program (setpriv to drop root).
    Result run(const std::vector<std::string>& args, const std::string& prefix = "") {
        std::string command =
            "env -u VORKEL_BACKEND ORVALIN_BACKUP_DIR=" + quote(backups().string());
        for (const std::string& e : bus_.client_environment()) command += " " + quote(e);
        command += " " + prefix + quote(kProgram.string());
        for (const std::string& a : args) command += " " + quote(a);
        command += " </dev/null >" + quote((dir_ / "out").string()) + " 2>" +
                   quote((dir_ / "err").string());
        const int raw = std::system(command.c_str());
        Result r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = read_file(dir_ / "out");
        r.err = read_file(dir_ / "err");
        return r;
    }

    fs::path backups() const { return dir_ / "backups"; }
    std::vector<fs::path> files_in_backups(const std::string& prefix) const {
        std::vector<fs::path> found;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(backups(), ec)) {
            if (e.path().filename().string().starts_with(prefix)) found.push_back(e.path());
        }
        std::sort(found.begin(), found.end());
        return found;
    }
    std::vector<std::uint8_t> table() {
        return remote_->with_firmware([](Firmware& f) {
            const auto start = f.memory().begin() + sim::kCodeTablePage * sim::kPageSize;
            return std::vector<std::uint8_t>(start, start + kTableBytes);
        });
    }
    std::string key_line(const std::string& mode, const std::string& start) {
        const Result r = run({"keys", "--mode", mode});
        EXPECT_EQ(r.status, 0) << r.err;
        std::istringstream in(r.out);
        for (std::string line; std::getline(in, line);) {
            if (line.starts_with(start)) return line;
        }
        return "<missing>";
    }

    EmulatedBus bus_;
    EmulatedRemote* remote_ = nullptr;
    fs::path dir_;
};

TEST_F(CliOnEmulatedRemote, InfoKeysAndBackupShowWhatTheRemoteHolds) {
    const Result info = run({"info"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("remote type: 1800\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("CBL: 0 learned, 22 preset\n"), std::string::npos) << info.out;

    const Result keys = run({"keys", "--mode", "CBL"});
    ASSERT_EQ(keys.status, 0) << keys.err;
    EXPECT_NE(keys.out.find("preset"), std::string::npos) << keys.out;

    const fs::path file = dir_ / "table.hex";
    const Result backup = run({"backup", file.string()});
    ASSERT_EQ(backup.status, 0) << backup.err;
    const std::vector<std::uint8_t> held = table();
    EXPECT_TRUE(read_file(file).starts_with(orvalin::hex::from_bytes(held.data(), held.size())));
    EXPECT_FALSE(fs::exists(backups())) << "reading writes nothing";
}

TEST_F(CliOnEmulatedRemote, LearnDeleteAndRestoreChangeTheRemotesMemory) {
    const std::vector<std::uint8_t> factory = table();
    std::ifstream in(kData / "nec1_press.mode2");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::optional<PulseSignal> press = orvalin::ir_signals::parse_mode2(text);
    ASSERT_TRUE(press);
    remote_->queue_signal(*press);

    const std::string keys_before = run({"keys"}).out;
    Result r = run({"learn", "--mode", "DVD", "--key", "vol+", "--timeout", "5"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("learned: DVD VOL+ (NEC1)\n"), std::string::npos) << r.out;
    const std::vector<std::uint8_t> learned = table();
    EXPECT_NE(learned, factory) << "the learned key is in the remote's memory";
    EXPECT_EQ(key_line("DVD", "DVD 0x76"),
              "DVD 0x76 VOL+: learned NEC1 device=4 function=8 carrier=37.7kHz");
    const std::vector<fs::path> saved = files_in_backups("code-table-");
    ASSERT_EQ(saved.size(), 1u);

    r = run({"delete", "--mode", "DVD", "--key", "vol+"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(key_line("DVD", "DVD 0x76").find("learned"), std::string::npos);

    // The backup taken before learning brings the factory table back.
    r = run({"restore", saved[0].string(), "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(run({"keys"}).out, keys_before);
    EXPECT_NE(table(), learned);
}

TEST_F(CliOnEmulatedRemote, RemovedDuringARestoreReportsTheFailureAndKeepsTheTable) {
    // The factory table kept, then a remote that holds one learned key only: the
    // restore writes the factory table back.
    const fs::path file = dir_ / "factory.hex";
    ASSERT_EQ(run({"backup", file.string()}).status, 0);
    const auto hold_one_key = [&] {
        remote_->with_firmware([](Firmware& f) {
            const std::vector<std::uint8_t> one_key = {0x00, 0x01, 0x10, 0xCF, 0x0A, 0x00,
                                                       0x01, 0x0B, 0x00, 0x01, 0x5A, 0xA5};
            auto table = f.memory().begin() + sim::kCodeTablePage * sim::kPageSize;
            std::fill(table, table + kTableBytes, std::uint8_t{0xFF});
            std::copy(one_key.begin(), one_key.end(), table);
        });
    };
    // A whole restore first, to count its reports; the next one is cut halfway,
    // well inside the table write that makes up most of them.
    hold_one_key();
    const std::size_t before = remote_->reports().size();
    ASSERT_EQ(run({"restore", file.string(), "--yes"}).status, 0);
    const std::size_t whole = remote_->reports().size() - before;
    ASSERT_GT(whole, 40u);
    hold_one_key();
    remote_->unplug_after_reports(whole / 2);
    const Result r = run({"restore", file.string(), "--yes"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.err.find("the remote refused the write"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("the table that was not written is saved in"), std::string::npos) << r.err;
    const std::vector<fs::path> unwritten = files_in_backups("unwritten-");
    ASSERT_EQ(unwritten.size(), 1u);
    const std::string saved = read_file(unwritten[0]);
    EXPECT_GT(saved.size(), 8u);
    EXPECT_EQ(saved.find_first_not_of("0123456789ABCDEF\n"), std::string::npos) << saved;
    EXPECT_TRUE(remote_->gone());
}

TEST_F(CliOnEmulatedRemote, DoctorFindsTheRemoteAndReadsIt) {
    const Result r = run({"doctor"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("hidraw node: /dev/hidraw0 (read: yes, write: yes)"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("usbfs node: /dev/bus/usb/003/002"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("device library finds the remote: yes"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("remote type 1800"), std::string::npos) << r.out;
}

// The hidraw node refuses open (EACCES) for a user without the udev rule's
// access: the doctor says so and what to do. Root opens anything, so the
// command runs as nobody.
TEST_F(CliOnEmulatedRemote, DoctorOnANodeThatRefusesOpenSaysFoundButNotAccessible) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the command as another user";
    if (std::system("command -v setpriv >/dev/null") != 0) GTEST_SKIP() << "setpriv missing";
    const fs::path root = bus_.root();
    fs::permissions(root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(dir_, fs::perms::all);
    // The emulated hidraw node is a pty: its slave side gets the kernel's default mode.
    const fs::path pty = fs::read_symlink(root / "dev" / "hidraw0");
    ASSERT_EQ(::chmod(pty.c_str(), 0600), 0);
    // The handlers' sockets stay reachable: only the node itself refuses.
    for (const auto& e : fs::recursive_directory_iterator(root / "ioctl")) {
        fs::permissions(e.path(), fs::perms::all);
    }
    const Result r = run({"doctor"}, "setpriv --reuid=65534 --regid=65534 --clear-groups ");
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("hidraw node: /dev/hidraw0 (read: no, write: no)"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("verdict: found but not accessible"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Unplug the remote and plug it in again"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("device library finds the remote: no"), std::string::npos)
        << r.out << r.err;
    EXPECT_TRUE(remote_->reports().empty());
}

}  // namespace
}  // namespace orvalin::usb_test
