#include "learning/collect_thread.h"

#include <vector>

#include "device/vorkel.h"

namespace orvalin::learning {

TCollectCode::TCollectCode(std::chrono::milliseconds timeout, QObject* parent)
    : QThread(parent), timeout_(timeout) {}

TCollectCode::~TCollectCode() {
    requestInterruption();
    wait();
}

void TCollectCode::Execute() {
    collected_.clear();
    const auto start = std::chrono::steady_clock::now();
    if (!SetCodeCarrierWave()) {
        outcome_ = Outcome::carrier_failed;
        return;
    }
    std::vector<char> buffer(kBufferSize);
    // No pause between polls: each call takes the time of its own USB exchange.
    while (!isInterruptionRequested()) {
        if (std::chrono::steady_clock::now() - start > timeout_) {
            outcome_ = Outcome::timed_out;
            return;
        }
        std::fill(buffer.begin(), buffer.end(), '\0');
        if (RCollectCodeInfo(buffer.data())) {
            collected_.assign(buffer.data(), buffer.size());
            outcome_ = Outcome::received;
            return;
        }
        if (!link_state()) {
            outcome_ = Outcome::link_lost;
            return;
        }
    }
    outcome_ = Outcome::stopped;
}

const char* describe(TCollectCode::Outcome outcome) {
    switch (outcome) {
        case TCollectCode::Outcome::running:
            return "running";
        case TCollectCode::Outcome::received:
            return "code received";
        case TCollectCode::Outcome::carrier_failed:
            return "SetCodeCarrierWave failed";
        case TCollectCode::Outcome::timed_out:
            return "no code within the time limit";
        case TCollectCode::Outcome::link_lost:
            return "remote not attached";
        case TCollectCode::Outcome::stopped:
            return "stopped";
    }
    return "";
}

}  // namespace orvalin::learning
