#include "device/transport.h"

#include <algorithm>
#include <cstdlib>

#include "common/hex_text.h"

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
    return orvalin::hex::from_bytes(bytes, count);
}

void write_hex_text(const std::vector<std::uint8_t>& bytes, char* out) {
    const std::string text = orvalin::hex::from_bytes(bytes);
    std::copy(text.begin(), text.end(), out);
    out[text.size()] = '\0';
}

std::uint8_t hex_pair_to_byte(char high, char low) {
    return orvalin::hex::lenient_pair(high, low);
}

std::vector<std::uint8_t> hex_to_bytes(std::string_view text) {
    return orvalin::hex::lenient_bytes(text);
}

}  // namespace vorkel
