#include "learning/signal_capture.h"

#include <algorithm>

#include "learning/timing_text.h"
#include "signals/capture.h"
#include "signals/sampling.h"

namespace orvalin::ir_signals {
namespace {

// Sample bytes per product-string read. The size only decides how far past
// 1500 bytes a long capture runs; any size the remote uses gives the same text
// for signals that end in time.
constexpr std::size_t kChunkBytes = 64;

}  // namespace

std::string capture_text_of(const PulseSignal& signal) {
    const SampledSignal sampled = sample_signal(signal);
    std::size_t sent = 0;
    const std::vector<std::uint8_t> collected =
        poll_capture([&](std::array<std::uint8_t, kCaptureChunkLength>& chunk) {
            const std::size_t n = std::min(kChunkBytes, sampled.bytes.size() - sent);
            chunk[0] = static_cast<std::uint8_t>(n);
            std::copy_n(sampled.bytes.begin() + static_cast<std::ptrdiff_t>(sent), n,
                        chunk.begin() + 1);
            sent += n;
            return true;
        });
    return capture_text(collected, sampled.status);
}

std::string timing_text_of(const PulseSignal& signal) {
    const std::string text = capture_text_of(signal);
    if (text.empty()) return {};
    return learning::convert_collected(text);
}

}  // namespace orvalin::ir_signals
