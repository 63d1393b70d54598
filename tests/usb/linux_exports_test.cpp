// Every export through the unmodified Linux backend (sysfs walk, hidraw open,
// HIDIOCGRAWINFO, hidraw writes, libusb control transfers on usbfs) against the
// emulated remote, compared with the simulated backend on the same model state:
// the same truth values, the same bytes, the same reports received, the same
// memory afterwards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/hex_text.h"
#include "device/sim/factory_state.h"
#include "device/sim/sim_control.h"
#include "device/vorkel.h"
#include "tests/usb/emulated_remote.h"

namespace orvalin::usb_test {
namespace {

namespace sim = vorkel::sim;

constexpr std::size_t kOutSize = 12288;

std::vector<std::uint8_t> random_memory(unsigned draw) {
    std::mt19937 random(draw);
    std::vector<std::uint8_t> memory = sim::factory_memory();
    // Zeros on purpose: the backend must not stop at them.
    for (std::size_t i = sim::kCodeTablePage * sim::kPageSize; i < memory.size(); ++i) {
        const unsigned value = random() % 300;
        memory[i] = value >= 256 ? 0 : static_cast<std::uint8_t>(value);
    }
    return memory;
}

std::string random_hex(unsigned draw, std::size_t digits) {
    std::mt19937 random(draw);
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < digits; ++i) text += kDigits[random() % 16];
    return text;
}

sim::Signal test_signal() {
    // An NEC-like frame: leader, 32 bits, stop.
    sim::Signal signal;
    signal.durations_us = {9000, -4500};
    for (int bit = 0; bit < 32; ++bit) {
        signal.durations_us.push_back(560);
        signal.durations_us.push_back((bit * 7) % 3 == 0 ? -1690 : -560);
    }
    signal.durations_us.push_back(560);
    return signal;
}

struct Outcome {
    bool result = false;
    std::string out;  // up to the NUL, or the untouched buffer's first bytes
    std::vector<std::uint8_t> memory;
    std::vector<std::array<std::uint8_t, 9>> reports;
    std::size_t string_reads = 0;
    std::size_t open_files_before = 0;
    std::size_t open_files_after = 0;
};

// Files of this process open on an emulated node: the hidraw node's pty side
// or a file in the testbed (umockdev's own sockets and pty masters in this
// process are not counted).
std::size_t open_device_files(const std::string& testbed) {
    std::size_t count = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        const std::string target = std::filesystem::read_symlink(entry.path(), ec).string();
        if (target.starts_with("/dev/pts/") || target.starts_with(testbed)) ++count;
    }
    return count;
}

struct ExportCase {
    const char* name;
    std::function<bool(char*)> call;
    bool with_signal = false;
    // Polls until the capture's time limit: how many depends on the speed of each.
    bool polls_until_time_limit = false;
};

std::vector<ExportCase> export_cases() {
    static const std::string table = random_hex(11, 8200);
    static const std::string ut = random_hex(12, 8200);
    static const std::string d900 = random_hex(13, 512);
    return {
        {"link_state", [](char*) { return link_state(); }},
        {"RBasicInfo", [](char* out) { return RBasicInfo(out); }},
        {"RCodeTypeData", [](char* out) { return RCodeTypeData(out); }},
        {"RCollectCodeInfo", [](char* out) { return RCollectCodeInfo(out); }, true},
        {"RCollectCodeInfo_nothing_pressed", [](char* out) { return RCollectCodeInfo(out); }, false,
         true},
        {"SetAddress", [](char*) { return SetAddress(); }},
        {"SetFlag", [](char*) { return SetFlag(); }},
        {"SetCodeCarrierWave", [](char*) { return SetCodeCarrierWave(); }},
        {"WCodeTypeData", [](char*) { return WCodeTypeData(table.c_str()); }},
        {"WCodeTypeData_lenient_text", [](char*) { return WCodeTypeData("0aG11G ff-1"); }},
        {"WCodeTypeDataut", [](char*) { return WCodeTypeDataut(ut.c_str()); }},
        {"WINTPro_D900", [](char*) { return WINTPro_D900(d900.c_str()); }},
    };
}

std::string text_of(const std::vector<char>& out) {
    return std::string(out.data(), strnlen(out.data(), out.size()));
}

class LinuxBackendExports : public ::testing::TestWithParam<ExportCase> {
  protected:
    void SetUp() override {
        bus_ = std::make_unique<EmulatedBus>();
        remote_ = &bus_->add_remote();
        sim::reset();
    }
    void TearDown() override { ::unsetenv("VORKEL_BACKEND"); }

    void set_state(const std::vector<std::uint8_t>& memory) {
        remote_->with_firmware([&](Firmware& f) { f.load(memory); });
        sim::write_memory(0, 0, memory);
    }

    Outcome through_linux(const ExportCase& c) {
        ::unsetenv("VORKEL_BACKEND");
        if (c.with_signal) {
            const sim::Signal s = test_signal();
            remote_->queue_signal(PulseSignal{s.durations_us, s.carrier_hz});
        }
        std::vector<char> out(kOutSize, 'x');
        Outcome o;
        o.open_files_before = open_device_files(bus_->root());
        o.result = c.call(out.data());
        o.open_files_after = open_device_files(bus_->root());
        o.out = text_of(out);
        o.memory = remote_->with_firmware([](Firmware& f) { return f.memory(); });
        o.reports = remote_->reports();
        o.string_reads = remote_->string_reads();
        return o;
    }

    Outcome through_sim(const ExportCase& c) {
        ::setenv("VORKEL_BACKEND", "sim", 1);
        if (c.with_signal) sim::queue_signal(test_signal());
        sim::clear_records();
        std::vector<char> out(kOutSize, 'x');
        Outcome o;
        o.result = c.call(out.data());
        o.out = text_of(out);
        o.memory = sim::read_memory(0, 0, sim::kMemorySize);
        o.reports = sim::reports();
        o.string_reads = sim::descriptor_reads().size();
        ::unsetenv("VORKEL_BACKEND");
        return o;
    }

    std::unique_ptr<EmulatedBus> bus_;
    EmulatedRemote* remote_ = nullptr;
};

TEST_P(LinuxBackendExports, AnswersAsTheSimulatedBackendDoesOnTheSameModelState) {
    const ExportCase& c = GetParam();
    set_state(random_memory(7));
    const Outcome real = through_linux(c);
    const Outcome simulated = through_sim(c);

    EXPECT_EQ(real.result, simulated.result);
    EXPECT_EQ(real.out, simulated.out);
    EXPECT_TRUE(real.memory == simulated.memory) << "memory differs after " << c.name;
    EXPECT_EQ(real.reports, simulated.reports);
    // Every reply asked the device anew: as many descriptor reads as the model saw.
    if (c.polls_until_time_limit) {
        EXPECT_GT(real.string_reads, 0u);
    } else {
        EXPECT_EQ(real.string_reads, simulated.string_reads);
    }
    // Everything opened was closed again.
    EXPECT_EQ(real.open_files_after, real.open_files_before);
    EXPECT_GT(remote_->opens(), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryExport, LinuxBackendExports, ::testing::ValuesIn(export_cases()),
                         [](const ::testing::TestParamInfo<ExportCase>& info) {
                             return std::string(info.param.name);
                         });

// The reads carry real data: a table read through the kernel interfaces gives
// the memory's bytes, zeros included, and a capture gives sample data.
TEST(LinuxBackendData, ReadsTheModelsBytesZerosIncludedAndCapturesTheSignal) {
    EmulatedBus bus;
    EmulatedRemote& remote = bus.add_remote();
    std::vector<std::uint8_t> memory = sim::factory_memory();
    const std::size_t table = sim::kCodeTablePage * sim::kPageSize;
    for (std::size_t i = 0; i < 5632; ++i)
        memory[table + i] = static_cast<std::uint8_t>(i % 7 == 0 ? 0 : i);
    remote.with_firmware([&](Firmware& f) { f.load(memory); });

    std::vector<char> out(kOutSize, 'x');
    ASSERT_TRUE(RCodeTypeData(out.data()));
    const std::string expected = orvalin::hex::from_bytes(memory.data() + table, 5632);
    EXPECT_EQ(text_of(out), expected);
    EXPECT_EQ(remote.string_reads(), 704u);

    const sim::Signal s = test_signal();
    remote.queue_signal(PulseSignal{s.durations_us, s.carrier_hz});
    ASSERT_TRUE(RCollectCodeInfo(out.data()));
    EXPECT_NE(text_of(out).find("7FFF7FFF"), std::string::npos);
}

}  // namespace
}  // namespace orvalin::usb_test
