#include "signals/capture.h"

#include <algorithm>
#include <string_view>

#include "common/hex_text.h"
#include "common/timing_markers.h"

namespace orvalin::ir_signals {

namespace {

constexpr std::size_t kEndTestMinBytes = 27;
constexpr std::size_t kEndTestWords = 21;

constexpr std::string_view kSilenceWord = timing::kFullWord;
constexpr std::size_t kSilenceWords = 20;
constexpr int kMaxRuns = 6;

// Start of the last run of back-to-back "7FFF", counting at most max_runs runs.
std::size_t cut_position(const std::string& h) {
    const int max_runs = h.starts_with(kSilenceWord) ? kMaxRuns + 1 : kMaxRuns;
    std::size_t cut = 0;
    int runs = 0;
    std::size_t previous = std::string::npos;
    for (std::size_t at = h.find(kSilenceWord); at != std::string::npos;
         at = h.find(kSilenceWord, at + 1)) {
        const bool continues = previous != std::string::npos && at == previous + 4;
        previous = at;
        if (continues) continue;
        if (runs == max_runs) break;
        ++runs;
        cut = at;
    }
    return cut;
}

}  // namespace

bool end_of_signal(const std::uint8_t* data, std::size_t n) {
    const std::size_t m = n & ~std::size_t{1};
    std::uint32_t sum = 0;
    for (std::size_t w = 0; w < kEndTestWords && 2 * (w + 1) <= m; ++w) {
        const std::size_t at = m - 2 * (w + 1);
        if (data[at] > 0x7F) break;
        sum += static_cast<std::uint32_t>(data[at]) * 256u + data[at + 1];
    }
    return sum >= kEndOfSignalSum;
}

PolledCapture poll_capture(const ChunkPoller& read_chunk,
                           std::chrono::steady_clock::time_point deadline) {
    PolledCapture result;
    std::vector<std::uint8_t>& samples = result.samples;
    samples.reserve(kCaptureStopBytes + kMaxChunkData);
    std::array<std::uint8_t, kCaptureChunkLength> chunk{};
    int idle = 0;
    while (samples.size() < kCaptureStopBytes) {
        if (std::chrono::steady_clock::now() >= deadline) break;
        chunk.fill(0);
        const ChunkRead status = read_chunk(chunk);
        if (status == ChunkRead::lost) {
            // A device that timed out or went away will not answer the next 999 polls either.
            result.device_lost = true;
            break;
        }
        if (status == ChunkRead::ok && chunk[0] > 0) {
            const std::size_t count = std::min<std::size_t>(chunk[0], kMaxChunkData);
            samples.insert(samples.end(), chunk.begin() + 1, chunk.begin() + 1 + count);
            idle = 0;
            if (samples.size() >= kEndTestMinBytes &&
                end_of_signal(samples.data(), samples.size())) {
                break;
            }
        }
        if (++idle >= kIdlePollLimit) break;
    }
    return result;
}

std::vector<std::uint8_t> poll_capture(const ChunkReader& read_chunk) {
    return poll_capture(
               [&](std::array<std::uint8_t, kCaptureChunkLength>& chunk) {
                   return read_chunk(chunk) ? ChunkRead::ok : ChunkRead::failed;
               },
               std::chrono::steady_clock::time_point::max())
        .samples;
}

std::string capture_text(const std::vector<std::uint8_t>& samples,
                         const std::array<std::uint8_t, 3>& status) {
    const std::size_t even = samples.size() & ~std::size_t{1};
    if (even == 0) return {};
    std::string h;
    h.reserve(2 * (even + status.size()));
    hex::append_bytes(h, samples.data(), even);
    hex::append_bytes(h, status.data(), status.size());
    const std::string tail = h.substr(h.size() - 6);
    std::string text = h.substr(0, cut_position(h));
    text.reserve(text.size() + kSilenceWords * kSilenceWord.size() + tail.size());
    for (std::size_t i = 0; i < kSilenceWords; ++i) text += kSilenceWord;
    text += tail;
    return text;
}

}  // namespace orvalin::ir_signals
