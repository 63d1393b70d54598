// The collection thread against the simulated remote: every way it can end, and
// what it leaves in the collected text.
#include <gtest/gtest.h>

#include <QThread>
#include <chrono>
#include <functional>
#include <string>

#include "device/sim/sim_control.h"
#include "learning/collect_thread.h"

namespace orvalin::learning {
namespace {

using namespace std::chrono_literals;
using Outcome = TCollectCode::Outcome;

struct Case {
    const char* name;
    std::function<void()> before;               // sets the remote up before the start
    std::function<void(TCollectCode&)> during;  // acts while the thread polls
    std::chrono::milliseconds timeout;
    Outcome outcome;
    bool has_code;
};

TEST(CollectThread, EndsForEachReasonWithTheRightText) {
    const Case cases[] = {
        {"signal",
         [] {
             vorkel::sim::queue_signal({{9000, -4500, 560, -560, 560}, 38000});
         },
         [](TCollectCode&) {}, 5s, Outcome::received, true},
        {"time-out", [] {}, [](TCollectCode&) {}, 150ms, Outcome::timed_out, false},
        {"carrier command refused", [] { vorkel::sim::refuse_report_at(0); }, [](TCollectCode&) {},
         5s, Outcome::carrier_failed, false},
        {"link lost", [] {},
         [](TCollectCode&) {
             QThread::msleep(30);
             vorkel::sim::set_attached(false);
         },
         5s, Outcome::link_lost, false},
        {"stop", [] {},
         [](TCollectCode& t) {
             QThread::msleep(30);
             t.stop();
         },
         5s, Outcome::stopped, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vorkel::sim::activate();
        c.before();
        TCollectCode thread(c.timeout);
        const auto start = std::chrono::steady_clock::now();
        thread.start();
        c.during(thread);
        ASSERT_TRUE(thread.wait(10000));
        EXPECT_EQ(thread.outcome(), c.outcome) << describe(thread.outcome());
        const std::string& collected = thread.collected();
        if (c.has_code) {
            ASSERT_EQ(collected.size(), TCollectCode::kBufferSize);
            // Upper-case hex words, the "7FFF" silence and the carrier bytes, then NULs.
            const std::string text = collected.substr(0, collected.find('\0'));
            EXPECT_FALSE(text.empty());
            EXPECT_NE(text.find("7FFF7FFF"), std::string::npos) << text;
            EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos) << text;
            EXPECT_EQ(collected.find_first_not_of('\0', text.size()), std::string::npos);
        } else {
            EXPECT_TRUE(collected.empty());
        }
        if (c.outcome == Outcome::timed_out) {
            EXPECT_GE(std::chrono::steady_clock::now() - start, c.timeout);
        }
    }
}

// A thread that is destroyed while it polls stops and is waited for.
TEST(CollectThread, DestructionStopsAPollingThread) {
    vorkel::sim::activate();
    auto* thread = new TCollectCode(60s);
    thread->start();
    QThread::msleep(20);
    EXPECT_TRUE(thread->isRunning());
    delete thread;  // returns only once the thread has ended
}

}  // namespace
}  // namespace orvalin::learning
