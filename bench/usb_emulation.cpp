// The real Linux backend against the remote emulated behind the kernel's
// interfaces (umockdev), beside the emulation answering the same requests from
// a bare client (raw hidraw writes and usbfs URBs, no library), so the backend's
// own cost per transfer shows; and the cost of a transaction's opening.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "device/vorkel.h"
#include "tests/usb/emulated_remote.h"

namespace {

using orvalin::usb_test::EmulatedBus;
using orvalin::usb_test::EmulatedRemote;
using orvalin::usb_test::Firmware;

constexpr int kTableReads = 704;

EmulatedBus& bus() {
    static std::unique_ptr<EmulatedBus> instance = [] {
        ::unsetenv("VORKEL_BACKEND");
        auto b = std::make_unique<EmulatedBus>();
        b->add_remote();
        return b;
    }();
    return *instance;
}

// One control transfer as a bare client does it: submit, reap until done.
// drain: reap once more until EAGAIN, as libusb's event handling does after
// every completed URB.
bool raw_string_read(int fd, std::uint8_t index, std::uint16_t length, bool drain = false) {
    std::array<unsigned char, 8 + 255> buffer{};
    buffer[0] = 0x80;
    buffer[1] = 0x06;
    buffer[2] = index;
    buffer[3] = 0x03;
    buffer[4] = 0x09;
    buffer[5] = 0x04;
    buffer[6] = static_cast<unsigned char>(length & 0xFF);
    buffer[7] = static_cast<unsigned char>(length >> 8);
    usbdevfs_urb urb{};
    urb.type = USBDEVFS_URB_TYPE_CONTROL;
    urb.endpoint = 0;
    urb.buffer = buffer.data();
    urb.buffer_length = 8 + length;
    if (::ioctl(fd, USBDEVFS_SUBMITURB, &urb) != 0) return false;
    void* reaped = nullptr;
    while (::ioctl(fd, USBDEVFS_REAPURBNDELAY, &reaped) != 0) {
        if (errno != EAGAIN) return false;
    }
    if (drain) {
        void* more = nullptr;
        if (::ioctl(fd, USBDEVFS_REAPURBNDELAY, &more) == 0 || errno != EAGAIN) return false;
    }
    return reaped == &urb && urb.status == 0;
}

bool raw_report(int fd, std::array<std::uint8_t, 9> report) {
    return ::write(fd, report.data(), report.size()) == 9;
}

void TableReadThroughLinuxBackend(benchmark::State& state) {
    bus();
    std::vector<char> out(12288);
    for (auto _ : state) {
        if (!RCodeTypeData(out.data()) || out[0] == '\0') state.SkipWithError("read failed");
    }
    state.counters["per_transfer_us"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kTableReads,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(TableReadThroughLinuxBackend)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same requests: one read command and 704 serial-number reads of 10 bytes;
// with drain, in the ioctl pattern libusb uses (a third, empty reap per transfer).
void TableReadEmulationAlone(benchmark::State& state) {
    const bool drain = state.range(0) != 0;
    EmulatedRemote& remote = bus().remote();
    const int hidraw = ::open(remote.hidraw_node().c_str(), O_RDWR);
    const int usbfs = ::open(remote.usbfs_node().c_str(), O_RDWR);
    if (hidraw < 0 || usbfs < 0) state.SkipWithError("cannot open the emulated nodes");
    for (auto _ : state) {
        bool ok = raw_report(hidraw, {0x00, 0x01, 0xDA, 0x00, 0x02, 0x03, 0x04, 0x05, 0x06});
        for (int i = 0; i < kTableReads && ok; ++i) ok = raw_string_read(usbfs, 3, 10, drain);
        if (!ok) state.SkipWithError("transfer failed");
    }
    state.counters["per_transfer_us"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kTableReads,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    ::close(hidraw);
    ::close(usbfs);
}
BENCHMARK(TableReadEmulationAlone)
    ->ArgName("drain")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The model answering the same 704 requests with no kernel path at all.
void TableReadModelOnly(benchmark::State& state) {
    Firmware firmware;
    for (auto _ : state) {
        firmware.receive({0x00, 0x01, 0xDA, 0x00, 0x02, 0x03, 0x04, 0x05, 0x06},
                         [] { return std::optional<orvalin::usb_test::PulseSignal>{}; });
        for (int i = 0; i < kTableReads; ++i) {
            benchmark::DoNotOptimize(orvalin::usb_test::string_descriptor(firmware, 3, 10));
        }
    }
}
BENCHMARK(TableReadModelOnly)->Unit(benchmark::kMicrosecond);

std::string table_text() {
    std::string text;
    for (int i = 0; i < 4100; ++i) text += "A5";
    return text;
}

// 128 blocks of a header and four data reports (640 reports).
void TableWriteThroughLinuxBackend(benchmark::State& state) {
    bus();
    const std::string text = table_text();
    for (auto _ : state) {
        if (!WCodeTypeData(text.c_str())) state.SkipWithError("write failed");
    }
}
BENCHMARK(TableWriteThroughLinuxBackend)->Unit(benchmark::kMillisecond)->UseRealTime();

void TableWriteEmulationAlone(benchmark::State& state) {
    const int hidraw = ::open(bus().remote().hidraw_node().c_str(), O_RDWR);
    if (hidraw < 0) state.SkipWithError("cannot open the emulated node");
    for (auto _ : state) {
        bool ok = true;
        for (int block = 0; block < 128 && ok; ++block) {
            const int address = 0xDA00 + block * 32;
            ok = raw_report(
                hidraw, {0x00, 0xC0, static_cast<std::uint8_t>(address & 0xFF),
                         static_cast<std::uint8_t>(address >> 8), 0x03, 0x03, 0x04, 0x05, 0x06});
            for (int i = 0; i < 4 && ok; ++i) {
                ok = raw_report(hidraw, {0x00, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5});
            }
        }
        if (!ok) state.SkipWithError("report refused");
    }
    ::close(hidraw);
}
BENCHMARK(TableWriteEmulationAlone)->Unit(benchmark::kMillisecond)->UseRealTime();

// What every transaction pays before its first report: the sysfs walk, the
// hidraw open and its identity; and with libusb's init, device list, usbfs open
// and the language read before the first string read.
void OpeningLinkState(benchmark::State& state) {
    bus();
    for (auto _ : state) {
        if (!link_state()) state.SkipWithError("remote not found");
    }
}
BENCHMARK(OpeningLinkState)->Unit(benchmark::kMicrosecond)->UseRealTime();

void OpeningWithOneReport(benchmark::State& state) {
    bus();
    for (auto _ : state) {
        if (!SetCodeCarrierWave()) state.SkipWithError("refused");
    }
}
BENCHMARK(OpeningWithOneReport)->Unit(benchmark::kMicrosecond)->UseRealTime();

void OpeningWithUsbAndEightReads(benchmark::State& state) {
    bus();
    std::vector<char> out(1024);
    for (auto _ : state) {
        if (!RBasicInfo(out.data())) state.SkipWithError("refused");
    }
}
BENCHMARK(OpeningWithUsbAndEightReads)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
