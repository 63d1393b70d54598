// The Linux backend's sysfs reading against a fake tree, and the real backend on
// this machine (no remote attached here).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "device/linux/hidraw_sysfs.h"
#include "device/vorkel.h"
#include "every_export.h"

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
        const fs::path usb = root_ / "devices" / "pci0000:00" / "usb1" / usb_device;
        const fs::path hid = usb / (usb_device + ":1.0") / ("0003:" + node);
        fs::create_directories(hid / "hidraw" / node);
        std::ofstream(usb / "busnum") << bus << "\n";
        std::ofstream(usb / "devnum") << address << "\n";
        std::ofstream(hid / "uevent") << "DRIVER=hid-generic\nHID_ID=" << hid_id << "\n";
        fs::create_directory_symlink(hid, hid / "hidraw" / node / "device");
        fs::create_directory_symlink(hid / "hidraw" / node, root_ / "class" / "hidraw" / node);
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

TEST(LinuxBackend, WithoutARemoteEveryExportAnswersFalse) {
    ::unsetenv("VORKEL_BACKEND");
    expect_every_export_fails();
}

}  // namespace
