#include "signals/capture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "device/read_commands.h"
#include "device/transport.h"
#include "device/vorkel.h"
#include "signals/sampling.h"
#include "sim_fixture.h"

namespace {

const std::string kSilence80 = [] {
    std::string s;
    for (int i = 0; i < 20; ++i) s += "7FFF";
    return s;
}();

std::string repeat(const std::string& piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += piece;
    return s;
}

// The digits of H (sample data + status digits) back into sample bytes and status.
std::string cut(const std::string& h) {
    const std::vector<uint8_t> all = vorkel::hex_to_bytes(h);
    const std::vector<uint8_t> samples(all.begin(), all.end() - 3);
    return orvalin::ir_signals::capture_text(
        samples, {all[all.size() - 3], all[all.size() - 2], all.back()});
}

TEST(CaptureText, CutAtTheTrailingSilence) {
    struct Case {
        const char* name;
        std::string h;
        std::string text;
    };
    const std::string run3 = repeat("7FFF", 3);
    const Case cases[] = {
        {"trailing 7FFF run", "0102" + repeat("7FFF", 24) + "A1B2C3",
         "0102" + kSilence80 + "A1B2C3"},
        {"no 7FFF at all",
         "8C001A008C00"
         "4F5050",
         kSilence80 + "4F5050"},
        {"earlier gap kept", "8C00" + run3 + "0100" + "8C00" + repeat("7FFF", 22) + "4F5050",
         "8C00" + run3 + "0100" + "8C00" + kSilence80 + "4F5050"},
        // Runs at 4, 16, 28, 40, 52, 64, 76: the sixth run (at 64) is the cut.
        {"at most six runs",
         "8C00" +
             repeat("7FFF0100"
                    "8C00",
                    7) +
             "4F5050",
         "8C00" +
             repeat("7FFF0100"
                    "8C00",
                    5) +
             kSilence80 + "4F5050"},
        // H beginning with 7FFF: seven runs are counted.
        {"seven runs when H begins with 7FFF",
         repeat("7FFF0100"
                "8C00",
                8) +
             "4F5050",
         repeat("7FFF0100"
                "8C00",
                6) +
             kSilence80 + "4F5050"},
        // "87FFF1" holds 7FFF at an odd position: occurrences need not be word-aligned.
        {"occurrence off a word boundary",
         "887FFF120100"
         "000000",
         "88" + kSilence80 + "000000"},
        // Two occurrences back to back off the boundary form one run.
        {"unaligned run",
         "127FFF7FFF008C00"
         "ABCDEF",
         "12" + kSilence80 + "ABCDEF"},
        {"odd sample byte dropped before the status",
         "12347FFF7FFF8C0012"
         "ABCDEF",
         "1234" + kSilence80 + "ABCDEF"},
        {"status digits searched too",
         "8C001A00"
         "7FFF01",
         "8C001A00" + kSilence80 + "7FFF01"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cut(c.h), c.text) << c.name;
    }
}

TEST(CaptureText, OddAndEmptySamples) {
    // Kept, the odd 0x7F would join the status's FF into a second "7FFF" and move the cut.
    EXPECT_EQ(orvalin::ir_signals::capture_text({0x7F, 0xFF, 0x12, 0x34, 0x7F}, {0xFF, 0x00, 0x00}),
              kSilence80 + "FF0000")
        << "odd last byte dropped; the status follows the even data directly";
    EXPECT_EQ(orvalin::ir_signals::capture_text({0x8C, 0x00, 0x7F, 0xFF, 0x1A}, {0xA1, 0xB2, 0xC3}),
              "8C00" + kSilence80 + "A1B2C3");
    EXPECT_EQ(orvalin::ir_signals::capture_text({0x8C}, {1, 2, 3}), "");
    EXPECT_EQ(orvalin::ir_signals::capture_text({}, {1, 2, 3}), "");
}

TEST(EndOfSignal, ThresholdWalkAndOddByte) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool fires;
    };
    auto words = [](std::vector<uint16_t> w, bool odd_tail = false) {
        std::vector<uint8_t> b;
        for (uint16_t x : w) {
            b.push_back(static_cast<uint8_t>(x >> 8));
            b.push_back(static_cast<uint8_t>(x));
        }
        if (odd_tail) b.push_back(0x7F);
        return b;
    };
    std::vector<uint16_t> nineteen(19, 0x7FFF);  // 622573 < 632768
    std::vector<uint16_t> exact(19, 0x7FFF);
    exact.push_back(0x27CB);  // 622573 + 10187 = 632760: 8 short
    std::vector<uint16_t> reach(19, 0x7FFF);
    reach.push_back(0x27D3);  // exactly 0x9A7C0
    std::vector<uint16_t> mark_then(20, 0x7FFF);
    mark_then.insert(mark_then.begin() + 1, 0x8C00);  // stops the walk after 19 words
    const Case cases[] = {
        {"nineteen 7FFF", words(nineteen), false},
        {"just below", words(exact), false},
        {"exactly the threshold", words(reach), true},
        {"twenty 7FFF", words(std::vector<uint16_t>(20, 0x7FFF)), true},
        {"odd trailing byte ignored", words(exact, true), false},
        {"odd trailing byte after enough", words(reach, true), true},
        {"walk stops at a mark", words(mark_then), false},
        {"only the last 21 words count", words(std::vector<uint16_t>(22, 29000)), false},
        {"21 words reach it", words(std::vector<uint16_t>(21, 30720)), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(orvalin::ir_signals::end_of_signal(c.bytes.data(), c.bytes.size()), c.fires)
            << c.name;
    }
}

// Scripted chunks for poll_capture: each entry is one poll (nullopt: a failed read).
struct Script {
    std::vector<std::optional<std::vector<uint8_t>>> chunks;
    std::size_t polls = 0;
    bool operator()(std::array<uint8_t, 200>& out) {
        const std::size_t at = polls++;
        if (at >= chunks.size() || !chunks[at]) return at < chunks.size() ? false : true;
        std::copy(chunks[at]->begin(), chunks[at]->end(), out.begin());
        return true;
    }
};

std::vector<uint8_t> chunk(uint8_t count, uint8_t fill) {
    std::vector<uint8_t> c(200, fill);
    c[0] = count;
    return c;
}

TEST(PollCapture, WhenPollingStops) {
    {
        Script script;
        EXPECT_TRUE(orvalin::ir_signals::poll_capture(std::ref(script)).empty());
        EXPECT_EQ(script.polls, 1000u) << "no data: 1000 polls";
    }
    {
        Script script{{std::nullopt, chunk(4, 0x11), std::nullopt}};
        const auto samples = orvalin::ir_signals::poll_capture(std::ref(script));
        EXPECT_EQ(samples, std::vector<uint8_t>(4, 0x11));
        EXPECT_EQ(script.polls, 2u + 999u) << "999 empty polls after the last data";
    }
    {
        // 199 bytes per poll with no silence: stops once 1500 bytes are reached.
        Script script;
        for (int i = 0; i < 20; ++i) script.chunks.push_back(chunk(199, 0x81));
        const auto samples = orvalin::ir_signals::poll_capture(std::ref(script));
        EXPECT_EQ(samples.size(), 8u * 199u);
        EXPECT_EQ(script.polls, 8u);
    }
    {
        // A count byte above 199 is taken as 199: the chunk cannot hold more.
        Script script{{chunk(255, 0x81)}};
        EXPECT_EQ(orvalin::ir_signals::poll_capture(std::ref(script)).size(), 199u);
    }
    {
        // Silence in the second chunk fires the end test at once.
        std::vector<uint8_t> first = chunk(4, 0);
        first[1] = 0x8C;
        std::vector<uint8_t> second(200, 0);
        second[0] = 40;
        for (int i = 0; i < 20; ++i) {
            second[1 + 2 * i] = 0x7F;
            second[2 + 2 * i] = 0xFF;
        }
        Script script{{first, second, chunk(10, 0x22)}};
        EXPECT_EQ(orvalin::ir_signals::poll_capture(std::ref(script)).size(), 44u);
        EXPECT_EQ(script.polls, 2u);
    }
}

using Capture = SimRemoteTest;
using Kind = vorkel::sim::DescriptorRead::Kind;

TEST_F(Capture, QueuedSignalArrivesAsCaptureText) {
    vorkel::sim::queue_signal({{900, -2200, 900}, 37000});
    std::vector<char> out(10240, '\0');
    ASSERT_TRUE(RCollectCodeInfo(out.data()));
    const std::string text(out.data());
    // 900 us mark -> 3 x 900 + 174 = 0xB3A, space -> 3 x 2200 - 174 = 0x191A.
    EXPECT_EQ(text.substr(0, 12), "8B3A191A8B3A");
    EXPECT_EQ(text.substr(12, 80), kSilence80);
    EXPECT_EQ(text.size(), 12u + 80u + 6u);
    const auto status = orvalin::ir_signals::carrier_bytes(37000);
    EXPECT_EQ(text.substr(92), vorkel::bytes_to_hex(status.data(), 3));
    const auto reports = vorkel::sim::reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], report({0x20, 0x80, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06}));
    EXPECT_EQ(reports[1], report({0x20, 0x40, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06}));
    const auto reads = vorkel::sim::descriptor_reads();
    ASSERT_FALSE(reads.empty());
    EXPECT_EQ(reads.back().kind, Kind::manufacturer);
    EXPECT_EQ(reads.back().length, 10u);
    EXPECT_EQ(reads.front().kind, Kind::product);
    EXPECT_EQ(reads.front().length, 200u);
}

TEST_F(Capture, NoSignalGivesFalseAfter1000Polls) {
    std::vector<char> out(10240, 'x');
    EXPECT_FALSE(RCollectCodeInfo(out.data()));
    EXPECT_EQ(out[0], 'x');
    const auto reads = vorkel::sim::descriptor_reads();
    EXPECT_EQ(reads.size(), 1001u) << "1000 product polls and the status read";
    EXPECT_EQ(vorkel::sim::reports().size(), 2u) << "start and stop still sent";
}

TEST_F(Capture, StartAndStopResultsAreNotLookedAt) {
    vorkel::sim::queue_signal({{900, -2200, 900}, 38000});
    vorkel::sim::refuse_report_at(0);  // the start report
    std::vector<char> out(10240, '\0');
    // The simulated firmware never saw the start, so it plays nothing: false after the polls.
    EXPECT_FALSE(RCollectCodeInfo(out.data()));
    EXPECT_EQ(vorkel::sim::descriptor_reads().size(), 1001u);
    vorkel::sim::refuse_report_at(1);  // the stop report
    EXPECT_TRUE(RCollectCodeInfo(out.data()));
}

TEST_F(Capture, FailedStatusReadGivesZeroStatus) {
    vorkel::sim::queue_signal({{900, -2200, 900}, 38000});
    vorkel::sim::set_signal_delay_polls(0);
    vorkel::sim::set_chunk_size(199);
    // Poll 0 delivers the whole signal (3 words + 20 silence = 46 bytes): then the status read.
    vorkel::sim::fail_string_read_at(1);
    std::vector<char> out(10240, '\0');
    ASSERT_TRUE(RCollectCodeInfo(out.data()));
    const std::string text(out.data());
    EXPECT_EQ(text.substr(text.size() - 6), "000000");
}

TEST_F(Capture, ChunkSizesGiveTheSameText) {
    std::string first;
    for (int size : {1, 3, 64, 199}) {
        vorkel::sim::queue_signal({{9000, -4500, 560, -560, 560, -1690, 560}, 38000});
        vorkel::sim::set_chunk_size(size);
        std::vector<char> out(10240, '\0');
        ASSERT_TRUE(RCollectCodeInfo(out.data())) << size;
        if (first.empty()) first = out.data();
        EXPECT_EQ(std::string(out.data()), first) << size;
    }
}

TEST_F(Capture, SignalWaitsAcrossCapturesUntilItIsPlayed) {
    vorkel::sim::set_signal_delay_polls(1500);
    vorkel::sim::queue_signal({{900, -2200, 900}, 38000});
    std::vector<char> out(10240, '\0');
    EXPECT_FALSE(RCollectCodeInfo(out.data())) << "the key is pressed 1500 polls after the start";
    EXPECT_EQ(vorkel::sim::queued_signals(), 0u);
    EXPECT_TRUE(RCollectCodeInfo(out.data()));
    EXPECT_FALSE(RCollectCodeInfo(out.data())) << "played once";
}

}  // namespace

namespace {

using Status = vorkel::ReadStatus;
using Clock = std::chrono::steady_clock;

TEST(PollCapture, LostDeviceAndDeadlineEndThePolls) {
    {
        // A timed-out read after data: no 999 idle polls, the data so far is kept.
        int polls = 0;
        const auto polled = vorkel::poll_capture(
            [&](std::array<uint8_t, 200>& out) {
                if (polls++ == 0) {
                    out[0] = 4;
                    out[1] = 0x11;
                    return Status::ok;
                }
                return Status::lost;
            },
            Clock::time_point::max());
        EXPECT_EQ(polls, 2);
        EXPECT_TRUE(polled.device_lost);
        EXPECT_EQ(polled.samples.size(), 4u);
    }
    {
        // Refused reads still count as idle polls.
        int polls = 0;
        const auto polled = vorkel::poll_capture(
            [&](std::array<uint8_t, 200>&) {
                ++polls;
                return Status::failed;
            },
            Clock::time_point::max());
        EXPECT_EQ(polls, 1000);
        EXPECT_FALSE(polled.device_lost);
    }
    {
        int polls = 0;
        const auto polled = vorkel::poll_capture(
            [&](std::array<uint8_t, 200>&) {
                ++polls;
                return Status::ok;
            },
            Clock::now());
        EXPECT_EQ(polls, 0) << "a deadline already passed polls nothing";
        EXPECT_TRUE(polled.samples.empty());
    }
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A remote that stays attached but stopped answering: every read times out.
TEST_F(Capture, RemoteThatStopsAnsweringEndsTheCaptureAtOnce) {
    vorkel::sim::stall_string_reads(300);
    std::vector<char> out(10240, 'x');
    const auto start = Clock::now();
    EXPECT_FALSE(RCollectCodeInfo(out.data()));
    EXPECT_LT(seconds_since(start), 1.0);
    EXPECT_EQ(out[0], 'x');
    EXPECT_EQ(vorkel::sim::descriptor_reads().size(), 1u) << "no more polls, no status read";
    EXPECT_EQ(vorkel::sim::reports().size(), 2u) << "start and stop still sent";
}

// A remote that answers, slowly and with nothing: 1000 polls of 20 ms would take
// 20 s; the capture's own limit ends it in well under a second.
TEST_F(Capture, SlowRemoteIsBoundByTheCaptureLimit) {
    vorkel::sim::set_latency_us(20000);
    std::vector<char> out(10240, 'x');
    const auto start = Clock::now();
    EXPECT_FALSE(RCollectCodeInfo(out.data()));
    EXPECT_LT(seconds_since(start), 1.5);
    EXPECT_LT(vorkel::sim::descriptor_reads().size(), 100u);
}

// Like the collection thread: captures one after another until told to stop. With
// a hanging remote the stop still comes back within a second.
TEST_F(Capture, CollectionLoopStopsWithinASecondOnAHangingRemote) {
    for (const bool stalled : {true, false}) {
        vorkel::sim::clear_faults();
        if (stalled)
            vorkel::sim::stall_string_reads(200);
        else
            vorkel::sim::set_latency_us(5000);
        std::atomic<bool> stop{false};
        std::atomic<int> captures{0};
        std::thread collector([&] {
            std::vector<char> out(10240, '\0');
            while (!stop.load()) {
                (void)RCollectCodeInfo(out.data());
                ++captures;
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto asked = Clock::now();
        stop = true;
        collector.join();
        EXPECT_LT(seconds_since(asked), 1.0) << (stalled ? "stalled" : "slow");
        EXPECT_GT(captures.load(), 0);
    }
    vorkel::sim::set_latency_us(0);
}

}  // namespace
