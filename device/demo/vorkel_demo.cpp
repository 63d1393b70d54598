// vorkel-demo: reads the remote's basic information and code table through the
// exported functions and prints them, with a summary of the table's link pairs
// and key records. Run with VORKEL_BACKEND=sim to use the simulated remote.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/hex_text.h"
#include "device/vorkel.h"

namespace {

constexpr std::size_t kBasicInfoBuffer = 1024;
constexpr std::size_t kCodeTableBuffer = 12288;

int byte_at(std::string_view hex, std::size_t index) {
    if (2 * index + 1 >= hex.size()) return -1;
    return orvalin::hex::lenient_pair(hex[2 * index], hex[2 * index + 1]);
}

void print_wrapped(std::string_view hex) {
    for (std::size_t at = 0; at < hex.size(); at += 64) {
        std::printf("  %.*s\n", static_cast<int>(std::min<std::size_t>(64, hex.size() - at)),
                    hex.data() + at);
    }
}

// Link pairs and key records, bounded by the table's own counts and the text read.
void print_table_summary(std::string_view hex) {
    const int links = byte_at(hex, 0);
    if (links < 0) {
        std::printf("code table: empty\n");
        return;
    }
    std::printf("link pairs: %d\n", links);
    for (int i = 0; i < links; ++i) {
        const int first = byte_at(hex, 1 + 2 * static_cast<std::size_t>(i));
        const int second = byte_at(hex, 2 + 2 * static_cast<std::size_t>(i));
        if (first < 0 || second < 0) return;
        std::printf("  %02X -> %02X\n", first, second);
    }
    const std::size_t record_start = 2 + 2 * static_cast<std::size_t>(links);
    const int records = byte_at(hex, record_start - 1);
    if (records < 0) return;
    std::printf("key records: %d\n", records);
    std::printf("  code  kind     type@off len  key@off len  key data\n");
    for (int r = 0; r < records; ++r) {
        const std::size_t at = record_start + 8 * static_cast<std::size_t>(r);
        int field[8];
        for (std::size_t k = 0; k < 8; ++k) field[k] = byte_at(hex, at + k);
        if (field[7] < 0) return;
        const int type_offset = field[2] | field[3] << 8;
        const int key_offset = field[5] | field[6] << 8;
        std::string key_data;
        for (int k = 0; k < field[7]; ++k) {
            const int b = byte_at(hex, static_cast<std::size_t>(key_offset + k));
            if (b < 0) break;
            char digits[9];
            std::snprintf(digits, sizeof digits, "%02X", b);
            key_data += digits;
        }
        std::printf("  %02X    %-7s  %04X     %3d  %04X    %3d  %s\n", field[0],
                    (field[1] & 0x40) != 0 ? "learned" : "preset", type_offset, field[4],
                    key_offset, field[7], key_data.c_str());
    }
}

}  // namespace

int main() {
    if (!link_state()) {
        std::fprintf(stderr, "no remote found (VORKEL_BACKEND=sim uses the simulated one)\n");
        return 1;
    }
    std::vector<char> info(kBasicInfoBuffer, '\0');
    if (!RBasicInfo(info.data())) {
        std::fprintf(stderr, "reading the basic information failed\n");
        return 1;
    }
    const std::string_view info_hex(info.data());
    std::printf("basic information (%zu digits):\n", info_hex.size());
    print_wrapped(info_hex);
    if (info_hex.size() >= 74) {
        std::printf("remote type %.4s, versions %.2s and %.2s\n", info_hex.data() + 70,
                    info_hex.data() + 64, info_hex.data() + 66);
    }

    std::vector<char> table(kCodeTableBuffer, '\0');
    if (!RCodeTypeData(table.data())) {
        std::fprintf(stderr, "reading the code table failed\n");
        return 1;
    }
    const std::string_view table_hex(table.data());
    std::printf("code table (%zu digits):\n", table_hex.size());
    print_wrapped(table_hex);
    print_table_summary(table_hex);
    return 0;
}
