#include "device/sim/factory_state.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace vorkel::sim {

namespace {

// Erased flash.
constexpr std::uint8_t kErased = 0xFF;
constexpr std::uint8_t kPresetAttribute = 0x0F;

// Pulse-distance timing block (NEC-like leader, two symbols, ditto repeat).
constexpr std::uint8_t kNecType[] = {0x0E, 0x1C, 0x00, 0x25, 0x95, 0x95, 0x00, 0x00, 0x11, 0x01,
                                     0x30, 0x2A, 0xC0, 0x01, 0x03, 0x06, 0x09, 0x02, 0xC0, 0x80,
                                     0x02, 0xC0, 0x82, 0x02, 0xCF, 0x87, 0xCF, 0x83};
// Bi-phase timing block (RC5-like, toggle bit).
constexpr std::uint8_t kBiphaseType[] = {0x0A, 0x12, 0x00, 0x2C, 0x7F, 0x7F, 0x10, 0x00, 0x11,
                                         0x00, 0x02, 0x05, 0x02, 0xC0, 0x80, 0x02, 0x80, 0xC0};

struct PresetKey {
    std::uint8_t table_code;
    bool biphase;
    std::uint8_t command;
};

// CBL mode: table code = key code + 51.
constexpr PresetKey kPresets[] = {
    {0x33, false, 0x12}, {0x35, false, 0x0A}, {0x36, false, 0x0B}, {0x37, false, 0x03},
    {0x38, false, 0x02}, {0x39, false, 0x01}, {0x3A, false, 0x06}, {0x3B, false, 0x05},
    {0x3C, false, 0x04}, {0x3D, false, 0x09}, {0x3E, false, 0x08}, {0x3F, false, 0x07},
    {0x41, false, 0x00}, {0x43, true, 0x10},  {0x44, true, 0x22},  {0x45, true, 0x20},
    {0x46, true, 0x11},  {0x47, true, 0x0D},  {0x48, true, 0x21},  {0x4A, false, 0x40},
    {0x4C, false, 0x43}, {0x4D, false, 0x44}, {0x4E, false, 0x42}, {0x50, false, 0x41},
};

// Power CBL with power TV, VOL+ with the input switch: the second keys of both
// pairs hold preset records, so the key list hides them.
constexpr std::pair<std::uint8_t, std::uint8_t> kLinks[] = {{0x35, 0x36}, {0x43, 0x44}};

std::vector<std::uint8_t> key_piece(const PresetKey& key) {
    if (key.biphase) return {0x01, 0x02, 0x3D, 0x05, key.command};
    return {
        0x01, 0x05, 0x47, 0x20, 0xDF, key.command, static_cast<std::uint8_t>(~key.command & 0xFF)};
}

void put16(std::vector<std::uint8_t>& out, std::size_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

}  // namespace

std::vector<std::uint8_t> factory_code_table() {
    const std::size_t link_count = std::size(kLinks);
    const std::size_t record_count = std::size(kPresets);
    std::size_t cursor = 1 + 2 * link_count + 1 + 8 * record_count;
    // Type pieces in the order of their first user: the NEC block comes first.
    const std::size_t nec_offset = cursor;
    cursor += sizeof kNecType;
    const std::size_t biphase_offset = cursor;
    cursor += sizeof kBiphaseType;

    std::vector<std::uint8_t> table;
    table.push_back(static_cast<std::uint8_t>(link_count));
    for (const auto& [first, second] : kLinks) {
        table.push_back(first);
        table.push_back(second);
    }
    table.push_back(static_cast<std::uint8_t>(record_count));
    std::vector<std::uint8_t> keys;
    for (const PresetKey& key : kPresets) {
        const std::vector<std::uint8_t> piece = key_piece(key);
        table.push_back(key.table_code);
        table.push_back(kPresetAttribute);
        put16(table, key.biphase ? biphase_offset : nec_offset);
        table.push_back(
            static_cast<std::uint8_t>(key.biphase ? sizeof kBiphaseType : sizeof kNecType));
        put16(table, cursor + keys.size());
        table.push_back(static_cast<std::uint8_t>(piece.size()));
        keys.insert(keys.end(), piece.begin(), piece.end());
    }
    table.insert(table.end(), std::begin(kNecType), std::end(kNecType));
    table.insert(table.end(), std::begin(kBiphaseType), std::end(kBiphaseType));
    table.insert(table.end(), keys.begin(), keys.end());
    return table;
}

std::vector<std::uint8_t> factory_memory() {
    std::vector<std::uint8_t> memory(kMemorySize, kErased);
    const std::size_t info = kBasicInfoPage * kPageSize;
    std::fill_n(memory.begin() + static_cast<std::ptrdiff_t>(info), kBasicInfoSize, 0x00);
    constexpr std::string_view kModel = "QXT-508KP2";
    std::copy(kModel.begin(), kModel.end(), memory.begin() + static_cast<std::ptrdiff_t>(info));
    memory[info + kVersion1Byte] = 0x01;
    memory[info + kVersion2Byte] = 0x02;
    memory[info + kRemoteTypeByte] = 0x18;
    memory[info + kRemoteTypeByte + 1] = 0x00;
    // Where the address setting points: the D9 and D1 pages.
    constexpr std::uint8_t kAddress[] = {0x00, 0xD1, 0x00, 0xD9, 0x03, 0x04, 0x05, 0x06};
    std::copy(std::begin(kAddress), std::end(kAddress),
              memory.begin() + static_cast<std::ptrdiff_t>(info + 48));
    const std::vector<std::uint8_t> table = factory_code_table();
    std::copy(table.begin(), table.end(),
              memory.begin() + static_cast<std::ptrdiff_t>(kCodeTablePage * kPageSize));
    return memory;
}

}  // namespace vorkel::sim
