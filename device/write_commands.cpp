#include "device/write_commands.h"

#include <algorithm>
#include <vector>

#include "device/transport.h"

namespace vorkel {

namespace {

constexpr Payload kCarrierWave{0x20, 0x20, 0xB4, 0x02, 0x03, 0x04, 0x05, 0x06};
constexpr Payload kClosingCommand{0x20, 0x20, 0xFF, 0x02, 0x03, 0x04, 0x05, 0x06};

// A data report refused inside a block: the remote still counts the block's data
// reports and would take the next transaction's header as data. Closing commands
// (no-ops outside a block) fill the count, so the next transaction starts in step.
// They land in the block that failed anyway; best effort, bounded.
void resynchronise(RemoteDevice& remote, std::size_t owed) {
    for (int tries = 0; owed > 0 && tries < 8; ++tries)
        if (remote.write_report(kClosingCommand)) --owed;
}

bool fixed_write(Backend& backend, const Payload& header, const Payload& data) {
    std::optional<RemoteDevice> remote = open_remote(backend);
    if (!remote) return false;
    return remote->write_report(header) && remote->write_report(data);
}

}  // namespace

bool write_text(Backend& backend, const TextWrite& kind, std::string_view text) {
    std::optional<RemoteDevice> remote = open_remote(backend);
    if (!remote) return false;
    const std::size_t length = std::min(text.size(), kind.max_characters);
    std::vector<std::uint8_t> bytes = hex_to_bytes(text.substr(0, length));
    const std::size_t block_size = kind.block_command == 0xC0 ? 32 : 8;
    const std::size_t blocks = (length + 2 * block_size - 1) / (2 * block_size);
    bytes.resize(blocks * block_size, kBlockFill);
    for (std::size_t i = 0; i < blocks; ++i) {
        const std::size_t start = i * block_size;
        const auto offset = static_cast<std::uint8_t>(start % 256);
        const auto page = static_cast<std::uint8_t>(kind.first_page + start / 256);
        if (!remote->write_report(
                {kind.block_command, offset, page, 0x03, 0x03, 0x04, 0x05, 0x06})) {
            return false;
        }
        for (std::size_t at = start; at < start + block_size; at += 8) {
            Payload data{};
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), 8, data.begin());
            if (!remote->write_report(data)) {
                resynchronise(*remote, (start + block_size - at) / 8);
                return false;
            }
        }
    }
    if (kind.closing_command && !remote->write_report(kClosingCommand)) return false;
    return true;
}

bool set_address(Backend& backend) {
    return fixed_write(backend, {0xC8, 0x30, 0xD0, 0x03, 0x03, 0x04, 0x05, 0x06},
                       {0x00, 0xD1, 0x00, 0xD9, 0x03, 0x04, 0x05, 0x06});
}

bool set_flag(Backend& backend) {
    return fixed_write(backend, {0xC8, 0x20, 0xD0, 0x03, 0x03, 0x04, 0x05, 0x06},
                       {0xFF, 0xFF, 0xFF, 0xFF, 0x03, 0x04, 0x05, 0x06});
}

bool set_code_carrier_wave(Backend& backend) {
    std::optional<RemoteDevice> remote = open_remote(backend);
    if (!remote) return false;
    return remote->write_report(kCarrierWave);
}

}  // namespace vorkel
