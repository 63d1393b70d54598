// The capture side of RCollectCodeInfo on arbitrary replies: the input is cut
// into 200-byte product-string chunks (count byte first, any value), the first
// three bytes are the status. The text must fit the 3600-byte buffer.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "device/read_commands.h"
#include "signals/capture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::array<std::uint8_t, 3> status{data[0], data[1], data[2]};
    data += 3;
    size -= 3;
    std::size_t at = 0;
    const auto samples = orvalin::ir_signals::poll_capture(
        [&](std::array<std::uint8_t, orvalin::ir_signals::kCaptureChunkLength>& chunk) {
            if (at >= size) return true;  // nothing more: empty polls
            // Chunks are taken by their own count so short inputs still stream many.
            const std::size_t take = std::min<std::size_t>(size - at, 1 + (data[at] % 200));
            std::memcpy(chunk.data(), data + at, take);
            at += take;
            return (chunk[0] & 0x01) == 0 || chunk[0] > 100;  // some reads fail
        });
    if (samples.size() >
        orvalin::ir_signals::kCaptureStopBytes + orvalin::ir_signals::kMaxChunkData)
        std::abort();
    const std::string text = orvalin::ir_signals::capture_text(samples, status);
    if (text.size() + 1 > 3600) std::abort();
    if (samples.size() >= 2 && text.size() < 86) std::abort();
    return 0;
}
