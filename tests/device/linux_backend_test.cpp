// The Linux backend's sysfs reading, remote finding and diagnosis against a fake
// tree, and the real backend on this machine: the "nothing found" tests only
// when no remote is attached, the hardware tests only when asked for.
#include "device/linux/linux_backend.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "device/diagnosis.h"
#include "device/hidraw_sysfs.h"
#include "device/linux/string_language.h"
#include "device/remote_nodes.h"
#include "device/transport.h"
#include "device/vorkel.h"
#include "every_export.h"
#include "hardware_gate.h"

namespace {

namespace fs = std::filesystem;
using vorkel::linux_hid::HidId;

TEST(HidIdentity, UeventParsing) {
    struct Case {
        const char* uevent;
        std::optional<HidId> id;
    };
    const Case cases[] = {
        {"DRIVER=hid-generic\nHID_ID=0003:00001920:00002A69\nHID_NAME=x\n",
         HidId{3, 0x1920, 0x2A69}},
        {"HID_ID=0003:00000C1C:00000001", HidId{3, 0x0C1C, 0x0001}},
        {"HID_ID=0005:0000046D:0000B342\n", HidId{5, 0x046D, 0xB342}},
        {"HID_ID=0003:1920:2a69\n", HidId{3, 0x1920, 0x2A69}},
        {"HID_NAME=no id\n", std::nullopt},
        {"HID_ID=0003:00001920\n", std::nullopt},
        {"HID_ID=0003:00011920:00002A69\n", std::nullopt},
        {"HID_ID=0003:xyz:00002A69\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto id = vorkel::linux_hid::parse_hid_id(c.uevent);
        ASSERT_EQ(id.has_value(), c.id.has_value()) << c.uevent;
        if (id) {
            EXPECT_EQ(id->bus, c.id->bus) << c.uevent;
            EXPECT_EQ(id->vendor, c.id->vendor) << c.uevent;
            EXPECT_EQ(id->product, c.id->product) << c.uevent;
        }
    }
}

TEST(StringLanguage, FirstLangidOfDescriptorZero) {
    struct Case {
        const char* name;
        std::vector<uint8_t> raw;
        int got;
        uint16_t language;
    };
    const Case cases[] = {
        {"German first", {6, 0x03, 0x07, 0x04, 0x09, 0x04}, 6, 0x0407},
        {"one language", {4, 0x03, 0x09, 0x04}, 4, 0x0409},
        {"Chinese", {4, 0x03, 0x04, 0x08}, 4, 0x0804},
        {"no language listed", {2, 0x03, 0, 0}, 2, 0x0409},
        {"length byte too short", {2, 0x03, 0x07, 0x04}, 4, 0x0409},
        {"not a string descriptor", {4, 0x01, 0x07, 0x04}, 4, 0x0409},
        {"LANGID zero", {4, 0x03, 0x00, 0x00}, 4, 0x0409},
        {"transfer failed", {4, 0x03, 0x07, 0x04}, -7, 0x0409},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vorkel::linux_hid::first_language(c.raw.data(), c.got), c.language) << c.name;
    }
}

// A sysfs tree laid out like the kernel's: class/hidraw/<node> links to the node
// under its HID device, which sits under a USB interface under the USB device.
class FakeSysfs : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("vorkel-sysfs-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "class" / "hidraw");
    }
    void TearDown() override { fs::remove_all(root_); }

    void add_node(const std::string& node, const std::string& usb_device, int bus, int address,
                  const std::string& hid_id) {
        const fs::path usb = add_usb_device(usb_device, bus, address, hid_id);
        const fs::path hid = usb / (usb_device + ":1.0") / ("0003:" + node);
        fs::create_directories(hid / "hidraw" / node);
        std::ofstream(hid / "uevent") << "DRIVER=hid-generic\nHID_ID=" << hid_id << "\n";
        fs::create_directory_symlink(hid, hid / "hidraw" / node / "device");
        fs::create_directory_symlink(hid / "hidraw" / node, root_ / "class" / "hidraw" / node);
    }

    // A USB device as bus/usb/devices shows it; idVendor/idProduct from the HID_ID text.
    fs::path add_usb_device(const std::string& usb_device, int bus, int address,
                            const std::string& hid_id) {
        const fs::path usb = root_ / "devices" / "pci0000:00" / "usb1" / usb_device;
        fs::create_directories(usb);
        std::ofstream(usb / "busnum") << bus << "\n";
        std::ofstream(usb / "devnum") << address << "\n";
        const std::size_t colon = hid_id.find(':');
        if (colon != std::string::npos && hid_id.size() >= colon + 18) {
            // "0003:00001920:00002A69" -> "1920", "2a69" as the kernel writes them.
            std::string vendor = hid_id.substr(colon + 5, 4);
            std::string product = hid_id.substr(colon + 14, 4);
            for (char& c : vendor) c = static_cast<char>(std::tolower(c));
            for (char& c : product) c = static_cast<char>(std::tolower(c));
            std::ofstream(usb / "idVendor") << vendor << "\n";
            std::ofstream(usb / "idProduct") << product << "\n";
        }
        fs::create_directories(root_ / "bus" / "usb" / "devices");
        if (!fs::exists(root_ / "bus" / "usb" / "devices" / usb_device)) {
            fs::create_directory_symlink(usb, root_ / "bus" / "usb" / "devices" / usb_device);
        }
        return usb;
    }

    fs::path root_;
};

TEST_F(FakeSysfs, NodesInNumericOrderWithIdentityAndUsbLocation) {
    add_node("hidraw10", "1-4", 1, 9, "0003:00000C1C:00000001");
    add_node("hidraw2", "1-2", 1, 5, "0003:00001920:00002A69");
    add_node("hidraw0", "1-1", 1, 2, "0003:0000046D:0000C52B");
    fs::create_directories(root_ / "class" / "hidraw" / "hidrawx");
    EXPECT_EQ(vorkel::linux_hid::hidraw_nodes(root_),
              (std::vector<std::string>{"hidraw0", "hidraw2", "hidraw10"}));
    const auto id = vorkel::linux_hid::node_identity(root_, "hidraw2");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->vendor, 0x1920);
    EXPECT_EQ(id->product, 0x2A69);
    const auto where = vorkel::linux_hid::node_usb_location(root_, "hidraw10");
    ASSERT_TRUE(where);
    EXPECT_EQ(where->bus, 1);
    EXPECT_EQ(where->address, 9);
    EXPECT_FALSE(vorkel::linux_hid::node_identity(root_, "hidraw7"));
    EXPECT_FALSE(vorkel::linux_hid::node_usb_location(root_, "hidraw7"));
}

TEST_F(FakeSysfs, MissingOrDamagedFiles) {
    add_node("hidraw0", "1-1", 1, 2, "garbage");
    fs::remove(root_ / "devices" / "pci0000:00" / "usb1" / "1-1" / "devnum");
    EXPECT_FALSE(vorkel::linux_hid::node_identity(root_, "hidraw0"));
    EXPECT_FALSE(vorkel::linux_hid::node_usb_location(root_, "hidraw0"));
    EXPECT_TRUE(vorkel::linux_hid::hidraw_nodes(root_ / "nowhere").empty());
}

// udev compares sysfs attribute text, which the kernel writes in lower-case hex.
TEST(UdevRule, GivesTheUserHidrawAndUsbfsForBothIdentities) {
    std::ifstream in(fs::path(ORVALIN_TEST_DATA_DIR) / ".." / ".." / "packaging" /
                     "70-orvalin-remote.rules");
    ASSERT_TRUE(in);
    std::vector<std::string> rules;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') rules.push_back(line);
    }
    const std::pair<std::string, std::string> identities[] = {{"1920", "2a69"}, {"0c1c", "0001"}};
    for (const auto& [vendor, product] : identities) {
        bool hidraw = false;
        bool usb = false;
        for (const std::string& rule : rules) {
            const bool uaccess = rule.find("TAG+=\"uaccess\"") != std::string::npos;
            if (rule.find("ATTRS{idVendor}==\"" + vendor + "\"") != std::string::npos &&
                rule.find("ATTRS{idProduct}==\"" + product + "\"") != std::string::npos &&
                rule.find("SUBSYSTEM==\"hidraw\"") != std::string::npos) {
                hidraw = uaccess;
            }
            if (rule.find("ATTR{idVendor}==\"" + vendor + "\"") != std::string::npos &&
                rule.find("ATTR{idProduct}==\"" + product + "\"") != std::string::npos &&
                rule.find("SUBSYSTEM==\"usb\"") != std::string::npos) {
                usb = uaccess && rule.find("MODE=\"0660\"") != std::string::npos;
            }
        }
        EXPECT_TRUE(hidraw) << vendor << ":" << product;
        EXPECT_TRUE(usb) << vendor << ":" << product;
    }
}

TEST_F(FakeSysfs, OnlyNodesWithTheRemotesIdentityAreEnumerated) {
    add_node("hidraw0", "1-1", 1, 2, "0003:00001050:00000407");  // a security key
    add_node("hidraw1", "1-2", 1, 5, "0003:00001920:00002A69");
    add_node("hidraw3", "1-3", 1, 7, "0003:00001920:00000001");  // vendor right, product wrong
    add_node("hidraw4", "1-4", 2, 3, "0003:00000C1C:00000001");
    EXPECT_EQ(vorkel::linux_hid::remote_hidraw_nodes(root_),
              (std::vector<std::string>{"hidraw1", "hidraw4"}));

    const fs::path dev = root_ / "dev";
    const auto backend = vorkel::make_linux_backend(root_, dev);
    EXPECT_EQ(backend->enumerate(),
              (std::vector<std::string>{(dev / "hidraw1").string(), (dev / "hidraw4").string()}));

    // The identity is confirmed on the open file: a plain file that sits where the
    // node should be answers no HIDIOCGRAWINFO and is not taken for the remote.
    fs::create_directories(dev);
    std::ofstream(dev / "hidraw1") << "not a device";
    std::ofstream(dev / "hidraw0") << "not a device";
    EXPECT_FALSE(vorkel::remote_present(*backend));
}

TEST_F(FakeSysfs, RemotesWithTheirHidrawAndUsbfsNodes) {
    add_node("hidraw0", "1-1", 1, 2, "0003:0000046D:0000C52B");
    add_node("hidraw2", "1-2", 1, 5, "0003:00001920:00002A69");
    add_usb_device("3-1", 3, 12, "0003:00000C1C:00000001");  // no HID driver bound
    add_usb_device("3-2", 3, 13, "0003:0000046D:0000C52B");
    const auto remotes = vorkel::linux_hid::find_remotes(root_, "/dev");
    ASSERT_EQ(remotes.size(), 2u);
    EXPECT_EQ(remotes[0].hidraw, "hidraw2");
    EXPECT_EQ(remotes[0].hidraw_path, fs::path("/dev/hidraw2"));
    EXPECT_EQ(remotes[0].usbfs_path, fs::path("/dev/bus/usb/001/005"));
    EXPECT_EQ(remotes[0].vendor, 0x1920);
    EXPECT_TRUE(remotes[1].hidraw.empty());
    EXPECT_EQ(remotes[1].usbfs_path, fs::path("/dev/bus/usb/003/012"));
    EXPECT_EQ(remotes[1].product, 0x0001);
}

// Access is probed, not opened; the probe is a table here because root may open
// anything, whatever the node's mode says.
struct DiagnosisCase {
    const char* name;
    bool hidraw_usable;
    bool usbfs_usable;
    bool rule_installed;
    bool hidraw_bound;
    vorkel::linux_hid::Verdict verdict;
    std::vector<vorkel::linux_hid::Advice> advice;
};

TEST_F(FakeSysfs, DiagnosisAndAdvice) {
    using vorkel::linux_hid::Advice;
    using vorkel::linux_hid::Verdict;
    const DiagnosisCase cases[] = {
        {"ready", true, true, true, true, Verdict::ready, {Advice::ready}},
        {"usbfs closed, no rule",
         true,
         false,
         false,
         true,
         Verdict::not_accessible,
         {Advice::install_rule, Advice::replug}},
        {"both closed, rule installed",
         false,
         false,
         true,
         true,
         Verdict::not_accessible,
         {Advice::replug, Advice::local_session}},
        {"no hidraw node",
         true,
         true,
         true,
         false,
         Verdict::not_accessible,
         {Advice::no_hidraw_node}},
    };
    for (const DiagnosisCase& c : cases) {
        fs::remove_all(root_);
        fs::create_directories(root_ / "class" / "hidraw");
        add_node("hidraw0", "1-1", 1, 2, "0003:0000046D:0000C52B");
        if (c.hidraw_bound) {
            add_node("hidraw1", "1-2", 1, 5, "0003:00001920:00002A69");
        } else {
            add_usb_device("1-2", 1, 5, "0003:00001920:00002A69");
        }
        vorkel::linux_hid::SystemPaths paths{root_, "/dev", {root_ / "etc", root_ / "lib"}};
        fs::create_directories(root_ / "etc");
        fs::create_directories(root_ / "lib");
        if (c.rule_installed) std::ofstream(root_ / "lib" / vorkel::linux_hid::kUdevRuleName);
        std::vector<fs::path> probed;
        const auto probe = [&](const fs::path& node) {
            probed.push_back(node);
            const bool usable = node == "/dev/hidraw1"           ? c.hidraw_usable
                                : node == "/dev/bus/usb/001/005" ? c.usbfs_usable
                                                                 : true;
            return vorkel::linux_hid::NodeAccess{true, usable, usable};
        };
        const auto diagnosis = vorkel::linux_hid::diagnose(paths, probe);
        EXPECT_EQ(diagnosis.verdict, c.verdict) << c.name;
        EXPECT_EQ(diagnosis.advice, c.advice) << c.name;
        ASSERT_EQ(diagnosis.remotes.size(), 1u) << c.name;
        EXPECT_EQ(diagnosis.rules_found.size(), c.rule_installed ? 1u : 0u) << c.name;
        for (const fs::path& node : probed) {
            EXPECT_NE(node, fs::path("/dev/hidraw0")) << c.name << ": another device probed";
        }
    }
    fs::remove_all(root_);
    fs::create_directories(root_ / "class" / "hidraw");
    add_node("hidraw0", "1-1", 1, 2, "0003:0000046D:0000C52B");
    const auto none =
        vorkel::linux_hid::diagnose({root_, "/dev", {}}, vorkel::linux_hid::probe_access);
    EXPECT_EQ(none.verdict, Verdict::no_remote);
    EXPECT_EQ(none.advice, std::vector<Advice>{Advice::plug_in});
}

TEST_F(FakeSysfs, DoctorReportNamesNodesAccessRuleAndAdvice) {
    add_node("hidraw1", "1-2", 1, 5, "0003:00000C1C:00000001");
    const vorkel::linux_hid::SystemPaths paths{root_, "/dev", {root_ / "etc-rules"}};
    const auto diagnosis = vorkel::linux_hid::diagnose(paths, [](const fs::path& node) {
        return vorkel::linux_hid::NodeAccess{true, true, node == "/dev/hidraw1"};
    });
    const std::string text = vorkel::linux_hid::describe(diagnosis, paths);
    for (const std::string& expected :
         {std::string("remotes found: 1\n"), std::string("remote 1: 0c1c:0001 on bus 1, device 5"),
          std::string("hidraw node: /dev/hidraw1 (read: yes, write: yes)"),
          std::string("usbfs node: /dev/bus/usb/001/005 (read: yes, write: no)"),
          "udev rule: 70-orvalin-remote.rules not found in " + (root_ / "etc-rules").string(),
          std::string("verdict: found but not accessible\n"),
          "  - " + vorkel::linux_hid::advice_text(vorkel::linux_hid::Advice::install_rule,
                                                  vorkel::linux_hid::Language::english)}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\nin:\n" << text;
    }
}

TEST_F(FakeSysfs, AccessProbeOfRealFiles) {
    const auto missing = vorkel::linux_hid::probe_access(root_ / "no-such-node");
    EXPECT_FALSE(missing.exists);
    EXPECT_FALSE(missing.usable());
    std::ofstream(root_ / "node") << "x";
    EXPECT_TRUE(vorkel::linux_hid::probe_access(root_ / "node").usable());
}

TEST(HardwareGate, RemoteAttachedSkipsUnlessAskedFor) {
    struct Case {
        bool attached;
        const char* opt_in;
        RealBackendTests expected;
    };
    const Case cases[] = {
        {false, nullptr, RealBackendTests::without_remote},
        {false, "1", RealBackendTests::without_remote},
        {true, nullptr, RealBackendTests::skip},
        {true, "0", RealBackendTests::skip},
        {true, "", RealBackendTests::skip},
        {true, "yes", RealBackendTests::skip},
        {true, "1", RealBackendTests::hardware},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(real_backend_tests(c.attached, c.opt_in), c.expected)
            << c.attached << " " << (c.opt_in ? c.opt_in : "(unset)");
    }
}

// Calls every export, write exports included: only on a machine without a remote.
TEST(LinuxBackend, WithoutARemoteEveryExportAnswersFalse) {
    if (real_backend_tests_here() != RealBackendTests::without_remote) {
        GTEST_SKIP() << "a remote is attached: this test would write to it";
    }
    ::unsetenv("VORKEL_BACKEND");
    expect_every_export_fails();
}

// ORVALIN_HARDWARE_TESTS=1 with a remote attached: reads, and a write of the code
// table that puts back exactly what was read (kept in a backup file first).
TEST(HardwareRemote, ReadsAndRewritesTheCodeTableUnchanged) {
    if (real_backend_tests_here() != RealBackendTests::hardware) {
        GTEST_SKIP() << "set ORVALIN_HARDWARE_TESTS=1 with a remote attached";
    }
    ::unsetenv("VORKEL_BACKEND");
    ASSERT_TRUE(link_state());
    std::vector<char> info(1024, '\0');
    ASSERT_TRUE(RBasicInfo(info.data()));
    EXPECT_EQ(std::string(info.data()).size(), 128u);

    std::vector<char> table(12288, '\0');
    ASSERT_TRUE(RCodeTypeData(table.data()));
    const std::string before(table.data());
    ASSERT_EQ(before.size(), 11264u);
    const char* backups = std::getenv("ORVALIN_BACKUP_DIR");
    const fs::path folder = backups != nullptr ? fs::path(backups) : fs::temp_directory_path();
    fs::create_directories(folder);
    const fs::path backup =
        folder /
        ("hardware-test-" +
         std::to_string(std::chrono::system_clock::now().time_since_epoch().count()) + ".hex");
    std::ofstream(backup) << before << "\n";
    ASSERT_TRUE(fs::file_size(backup) > before.size()) << "no backup, no write";

    const std::string written = before.substr(0, 8200);
    const bool wrote = WCodeTypeData(written.c_str());
    std::vector<char> again(12288, '\0');
    const bool reread = RCodeTypeData(again.data());
    if (!wrote || !reread || std::string(again.data()) != before) {
        // Put the backup back before failing.
        (void)WCodeTypeData(written.c_str());
        FAIL() << "the table read back differs; backup in " << backup;
    }
}

}  // namespace
