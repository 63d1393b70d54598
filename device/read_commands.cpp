#include "device/read_commands.h"

#include <algorithm>
#include <string>

#include "device/transport.h"

namespace vorkel {

namespace {

constexpr Payload kStartCapture{0x20, 0x80, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
constexpr Payload kStopCapture{0x20, 0x40, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};

}  // namespace

bool read_memory(Backend& backend, std::uint8_t page, int reads, char* out) {
    std::optional<RemoteDevice> remote = open_remote(backend);
    if (!remote) return false;
    if (!remote->write_report({0x01, page, 0x00, 0x02, 0x03, 0x04, 0x05, 0x06})) return false;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(reads) * kSerialReadLength);
    std::array<std::uint8_t, kSerialReadLength> piece{};
    for (int i = 0; i < reads; ++i) {
        if (!remote->read_reply_string(StringKind::serial, piece.data(), piece.size())) {
            // The caller tells this case only by the empty text.
            out[0] = '\0';
            return true;
        }
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    }
    write_hex_text(bytes, out);
    return true;
}

bool collect_capture(Backend& backend, char* out) {
    std::optional<RemoteDevice> remote = open_remote(backend);
    if (!remote) return false;
    const auto deadline = std::chrono::steady_clock::now() + kCaptureTimeLimit;
    // A remote that missed the start simply sends nothing and the polls run out.
    (void)remote->write_report(kStartCapture);
    const PolledCapture polled = poll_capture(
        [&](std::array<std::uint8_t, kProductReadLength>& chunk) {
            return remote->read_reply(StringKind::product, chunk.data(), chunk.size());
        },
        deadline);
    std::array<std::uint8_t, kManufacturerReadLength> reply{};
    // A failed read leaves the zero-filled buffer: the capture is still good, the
    // carrier then reads as "none". A lost device is not asked again.
    if (!polled.device_lost) {
        (void)remote->read_reply_string(StringKind::manufacturer, reply.data(), reply.size());
    }
    (void)remote->write_report(kStopCapture);
    const std::string text = capture_text(polled.samples, {reply[1], reply[2], reply[3]});
    if (text.empty()) return false;
    std::copy(text.begin(), text.end(), out);
    out[text.size()] = '\0';
    return true;
}

}  // namespace vorkel
