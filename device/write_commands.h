// Block writes into the remote's memory and the one-report control commands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "device/backend.h"

namespace vorkel {

// Bytes of the last block that the text does not supply: erased flash reads 0xFF.
inline constexpr std::uint8_t kBlockFill = 0xFF;

struct TextWrite {
    std::uint8_t first_page;
    std::uint8_t block_command;  // 0xC0: 32-byte blocks, 0xC8: 8-byte blocks
    std::size_t max_characters;
    bool closing_command;  // send the closing control command after the blocks
};

inline constexpr TextWrite kCodeTableWrite{0xDA, 0xC0, 8200, false};
inline constexpr TextWrite kCodeTableUtWrite{0xED, 0xC0, 8200, true};
inline constexpr TextWrite kD900Write{0xD9, 0xC8, 512, false};

bool write_text(Backend& backend, const TextWrite& kind, std::string_view text);

bool set_address(Backend& backend);
bool set_flag(Backend& backend);
bool set_code_carrier_wave(Backend& backend);

}  // namespace vorkel
