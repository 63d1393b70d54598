#include "device/transport.h"

#include <algorithm>
#include <cstdlib>

namespace vorkel {

RemoteDevice::RemoteDevice(RemoteDevice&& other) noexcept
    : backend_(other.backend_), handle_(other.handle_) {
    other.handle_.reset();
}

RemoteDevice::~RemoteDevice() {
    if (!handle_) return;
    try {
        backend_->close(*handle_);
    } catch (...) {
        // A destructor that throws ends the program; the exports answer false instead.
    }
}

bool RemoteDevice::write_report(const Payload& payload) {
    std::array<std::uint8_t, 9> report{};
    std::copy(payload.begin(), payload.end(), report.begin() + 1);
    return backend_->write_report(*handle_, report);
}

bool RemoteDevice::read_reply_string(StringKind kind, std::uint8_t* buffer, std::size_t length) {
    return read_reply(kind, buffer, length) == ReadStatus::ok;
}

ReadStatus RemoteDevice::read_reply(StringKind kind, std::uint8_t* buffer, std::size_t length) {
    std::fill(buffer, buffer + length, std::uint8_t{0});
    return backend_->read_string(*handle_, kind, buffer, length);
}

std::optional<RemoteDevice> open_remote(Backend& backend) {
    for (const std::string& path : backend.enumerate()) {
        const std::optional<HandleId> handle = backend.open(path);
        if (!handle) continue;  // keyboards, mice and busy devices refuse: skip quietly
        const std::optional<HidAttributes> attributes = backend.attributes(*handle);
        if (attributes && is_remote_identity(attributes->vendor, attributes->product)) {
            return std::optional<RemoteDevice>(std::in_place, backend, *handle);
        }
        backend.close(*handle);
    }
    return std::nullopt;
}

bool remote_present(Backend& backend) {
    return open_remote(backend).has_value();
}

std::string bytes_to_hex(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(count * 2, '0');
    for (std::size_t i = 0; i < count; ++i) {
        text[2 * i] = kDigits[bytes[i] >> 4];
        text[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
    return text;
}

void write_hex_text(const std::vector<std::uint8_t>& bytes, char* out) {
    const std::string text = bytes_to_hex(bytes.data(), bytes.size());
    std::copy(text.begin(), text.end(), out);
    out[text.size()] = '\0';
}

std::uint8_t hex_pair_to_byte(char high, char low) {
    const char pair[3] = {high, low, '\0'};
    return static_cast<std::uint8_t>(std::strtol(pair, nullptr, 16) & 0xFF);
}

std::vector<std::uint8_t> hex_to_bytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t k = 0; 2 * k + 1 < text.size(); ++k) {
        bytes.push_back(hex_pair_to_byte(text[2 * k], text[2 * k + 1]));
    }
    return bytes;
}

}  // namespace vorkel
