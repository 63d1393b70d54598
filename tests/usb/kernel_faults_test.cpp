// Faults as the kernel reports them, through the unmodified Linux backend:
// stalled and unanswered control transfers, a remote pulled out in the middle of
// a transaction, bad string descriptors, other HID devices beside the remote,
// two remotes and the second identity.
#include <gtest/gtest.h>
#include <libusb.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "common/hex_text.h"
#include "device/sim/factory_state.h"
#include "device/vorkel.h"
#include "tests/usb/emulated_remote.h"

namespace orvalin::usb_test {
namespace {

namespace sim = vorkel::sim;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kOutSize = 12288;
const std::filesystem::path kRealDevices =
    std::filesystem::path(ORVALIN_USB_TEST_DIR) / "real-devices";

std::string text_of(const std::vector<char>& out) {
    return std::string(out.data(), strnlen(out.data(), out.size()));
}

PulseSignal test_signal() {
    PulseSignal signal;
    signal.durations_us = {9000, -4500};
    for (int bit = 0; bit < 32; ++bit) {
        signal.durations_us.push_back(560);
        signal.durations_us.push_back(bit % 3 == 0 ? -1690 : -560);
    }
    signal.durations_us.push_back(560);
    signal.carrier_hz = 38000;
    return signal;
}

std::string basic_info_hex(EmulatedRemote& remote) {
    return remote.with_firmware([](Firmware& f) {
        return orvalin::hex::from_bytes(f.memory().data() + sim::kBasicInfoPage * sim::kPageSize,
                                        sim::kBasicInfoSize);
    });
}

// What the library underneath sees: the emulation's stall is the kernel's EPIPE.
TEST(KernelFaults, StalledControlTransferIsAPipeErrorForLibusbAndAFailedReadForTheExport) {
    EmulatedBus bus;
    EmulatedRemote& remote = bus.add_remote();
    remote.fail_next_string_reads(Fault::stall);

    libusb_context* context = nullptr;
    ASSERT_EQ(libusb_init(&context), 0);
    libusb_device_handle* handle = libusb_open_device_with_vid_pid(context, 0x1920, 0x2A69);
    ASSERT_NE(handle, nullptr);
    unsigned char buffer[255];
    EXPECT_EQ(libusb_get_string_descriptor(handle, 3, 0x0409, buffer, sizeof buffer),
              LIBUSB_ERROR_PIPE);
    // The next request is answered again.
    EXPECT_EQ(libusb_get_string_descriptor(handle, 3, 0x0409, buffer, 10), 10);
    libusb_close(handle);
    libusb_exit(context);

    // A read that fails midway: true with an empty text.
    remote.fail_next_string_reads(Fault::stall);
    std::vector<char> out(kOutSize, 'x');
    EXPECT_TRUE(RBasicInfo(out.data()));
    EXPECT_EQ(text_of(out), "");
    EXPECT_TRUE(RBasicInfo(out.data()));
    EXPECT_EQ(text_of(out), basic_info_hex(remote));
}

// A transfer the device never answers ends by the backend's time-out (libusb
// discards the URB); a capture still ends within its limit.
TEST(KernelFaults, UnansweredTransfersTimeOutAndACaptureEndsWithinItsLimit) {
    EmulatedBus bus;
    EmulatedRemote& remote = bus.add_remote();
    remote.queue_signal(test_signal());
    remote.fail_next_string_reads(Fault::no_answer, 100);
    std::vector<char> out(kOutSize, 'x');
    const auto start = Clock::now();
    EXPECT_FALSE(RCollectCodeInfo(out.data()));
    const auto took = Clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(1500));
    EXPECT_GE(remote.discards(), 1u);
    EXPECT_EQ(out[0], 'x');

    // One unanswered read fails a read-out; the next one is whole again.
    remote.clear_faults();
    remote.fail_next_string_reads(Fault::no_answer, 1);
    EXPECT_TRUE(RBasicInfo(out.data()));
    EXPECT_EQ(text_of(out), "");
    EXPECT_TRUE(RBasicInfo(out.data()));
    EXPECT_EQ(text_of(out), basic_info_hex(remote));
}

// Pulled out in the middle: ENODEV from both nodes after the remove uevent.
TEST(KernelFaults, RemovedDuringATableWriteFailsTheWriteAndIsGoneAfterwards) {
    EmulatedBus bus;
    EmulatedRemote& remote = bus.add_remote();
    const std::string table(8200, 'A');
    remote.unplug_after_reports(100);
    EXPECT_FALSE(WCodeTypeData(table.c_str()));
    EXPECT_TRUE(remote.gone());
    EXPECT_EQ(remote.reports().size(), 100u);
    EXPECT_FALSE(link_state());
    std::vector<char> out(kOutSize, 'x');
    EXPECT_FALSE(RBasicInfo(out.data()));
    EXPECT_EQ(out[0], 'x');
}

TEST(KernelFaults, RemovedDuringACaptureEndsItAtOnce) {
    EmulatedBus bus;
    EmulatedRemote& remote = bus.add_remote();
    remote.queue_signal(test_signal());
    remote.unplug_at_string_read(3);
    std::vector<char> out(kOutSize, 'x');
    const auto start = Clock::now();
    (void)RCollectCodeInfo(out.data());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_TRUE(remote.gone());
    EXPECT_FALSE(link_state());
    EXPECT_FALSE(RCollectCodeInfo(out.data()));
}

struct BadDescriptor {
    const char* name;
    Fault fault;
};

class BadDescriptors : public ::testing::TestWithParam<BadDescriptor> {};

// Each bad reply is a failed read, never bytes: a memory read-out gives the
// empty text, a capture poll ends the capture without sample data.
TEST_P(BadDescriptors, AreAFailedReadNeverData) {
    EmulatedBus bus;
    EmulatedRemote& remote = bus.add_remote();
    std::vector<char> out(kOutSize, 'x');

    remote.fail_next_string_reads(GetParam().fault);
    EXPECT_TRUE(RBasicInfo(out.data()));
    EXPECT_EQ(text_of(out), "");

    remote.queue_signal(test_signal());
    remote.fail_next_string_reads(GetParam().fault, 400);
    std::fill(out.begin(), out.end(), 'x');
    EXPECT_FALSE(RCollectCodeInfo(out.data()));
    EXPECT_EQ(out[0], 'x');

    // And the remote answers properly afterwards.
    remote.clear_faults();
    EXPECT_TRUE(RBasicInfo(out.data()));
    EXPECT_EQ(text_of(out), basic_info_hex(remote));
}

INSTANTIATE_TEST_SUITE_P(Replies, BadDescriptors,
                         ::testing::Values(BadDescriptor{"empty", Fault::empty},
                                           BadDescriptor{"one_byte", Fault::short_one},
                                           BadDescriptor{"more_than_asked", Fault::oversized},
                                           BadDescriptor{"cut_short", Fault::cut},
                                           BadDescriptor{"not_a_string", Fault::not_string}),
                         [](const ::testing::TestParamInfo<BadDescriptor>& info) {
                             return std::string(info.param.name);
                         });

struct Neighbour {
    const char* name;
    const char* recording;
    std::vector<std::string> nodes;
    int remote_hidraw;  // below or above the recorded device's hidraw number
};

class OtherHidDevices : public ::testing::TestWithParam<Neighbour> {};

TEST_P(OtherHidDevices, AreNeverOpenedWhetherBeforeOrAfterTheRemote) {
    const Neighbour& n = GetParam();
    EmulatedBus bus;
    bus.add_recording(kRealDevices / n.recording, n.nodes);
    RemoteOptions options;
    options.hidraw = n.remote_hidraw;
    EmulatedRemote& remote = bus.add_remote(options);

    std::vector<char> out(kOutSize, 'x');
    EXPECT_TRUE(link_state());
    EXPECT_TRUE(RBasicInfo(out.data()));
    EXPECT_EQ(text_of(out), basic_info_hex(remote));
    EXPECT_TRUE(SetCodeCarrierWave());
    for (const std::string& node : n.nodes) EXPECT_EQ(bus.opens_of(node), 0) << node;
    EXPECT_GT(remote.opens(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    RealRecordings, OtherHidDevices,
    ::testing::Values(Neighbour{"security_key_before",
                                "fido2-security-key.umockdev",
                                {"/dev/hidraw5", "/dev/bus/usb/001/012", "/dev/bus/usb/001/002",
                                 "/dev/bus/usb/001/001"},
                                6},
                      Neighbour{"security_key_after",
                                "fido2-security-key.umockdev",
                                {"/dev/hidraw5", "/dev/bus/usb/001/012"},
                                2},
                      Neighbour{
                          "keyboard",
                          "usb-keyboard.umockdev",
                          {"/dev/input/event5", "/dev/bus/usb/001/009", "/dev/bus/usb/001/007"},
                          0}),
    [](const ::testing::TestParamInfo<Neighbour>& info) { return std::string(info.param.name); });

TEST(KernelRemotes, WithTwoRemotesEveryCallUsesTheFirstInEnumerationOrder) {
    EmulatedBus bus;
    RemoteOptions second;
    second.hidraw = 4;
    second.port = 2;
    EmulatedRemote& later = bus.add_remote(second);
    RemoteOptions first;
    first.hidraw = 1;
    first.port = 3;
    EmulatedRemote& earlier = bus.add_remote(first);
    earlier.with_firmware(
        [](Firmware& f) { f.memory()[sim::kBasicInfoPage * sim::kPageSize] = 0x11; });
    later.with_firmware(
        [](Firmware& f) { f.memory()[sim::kBasicInfoPage * sim::kPageSize] = 0x22; });

    std::vector<char> out(kOutSize, 'x');
    ASSERT_TRUE(RBasicInfo(out.data()));
    EXPECT_EQ(text_of(out).substr(0, 2), "11");
    EXPECT_TRUE(WINTPro_D900("0102030405060708"));
    EXPECT_FALSE(earlier.reports().empty());
    EXPECT_TRUE(later.reports().empty());
}

struct Identity {
    const char* name;
    std::uint16_t vendor;
    std::uint16_t product;
    bool remote;
};

class KernelIdentities : public ::testing::TestWithParam<Identity> {};

TEST_P(KernelIdentities, OnlyTheTwoIdentitiesAreTheRemote) {
    const Identity& id = GetParam();
    EmulatedBus bus;
    RemoteOptions options;
    options.vendor = id.vendor;
    options.product = id.product;
    EmulatedRemote& device = bus.add_remote(options);
    std::vector<char> out(kOutSize, 'x');
    EXPECT_EQ(link_state(), id.remote);
    EXPECT_EQ(RBasicInfo(out.data()), id.remote);
    if (id.remote) {
        EXPECT_EQ(text_of(out), basic_info_hex(device));
    } else {
        EXPECT_EQ(device.opens(), 0) << "a device without the identity is never opened";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Identities, KernelIdentities,
    ::testing::Values(Identity{"first", 0x1920, 0x2A69, true},
                      Identity{"second", 0x0C1C, 0x0001, true},
                      Identity{"first_vendor_second_product", 0x1920, 0x0001, false},
                      Identity{"second_vendor_first_product", 0x0C1C, 0x2A69, false}),
    [](const ::testing::TestParamInfo<Identity>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvalin::usb_test
