#include "cli/signal_capture.h"

#include <algorithm>

#include "device/capture_text.h"
#include "device/read_commands.h"
#include "learning/timing_text.h"

namespace orvalin::cli {
namespace {

// Sample bytes per product-string read. The size only decides how far past
// 1500 bytes a long capture runs; any size the remote uses gives the same text
// for signals that end in time.
constexpr std::size_t kChunkBytes = 64;

}  // namespace

std::string timing_text_of(const vorkel::PulseSignal& signal) {
    const vorkel::SampledSignal sampled = vorkel::sample_signal(signal);
    std::size_t sent = 0;
    const std::vector<std::uint8_t> collected =
        vorkel::poll_capture([&](std::array<std::uint8_t, vorkel::kProductReadLength>& chunk) {
            const std::size_t n = std::min(kChunkBytes, sampled.bytes.size() - sent);
            chunk[0] = static_cast<std::uint8_t>(n);
            std::copy_n(sampled.bytes.begin() + static_cast<std::ptrdiff_t>(sent), n,
                        chunk.begin() + 1);
            sent += n;
            return true;
        });
    const std::string text = vorkel::capture_text(collected, sampled.status);
    if (text.empty()) return {};
    return learning::convert_collected(text);
}

}  // namespace orvalin::cli
