#include "device/linux/string_language.h"

namespace vorkel::linux_hid {

namespace {
constexpr std::uint8_t kStringDescriptorType = 0x03;
}

std::uint16_t first_language(const std::uint8_t* raw, int got) {
    // The length byte must cover at least one LANGID, and so must the bytes read.
    if (got < 4 || raw[0] < 4 || raw[1] != kStringDescriptorType) return kFallbackLanguage;
    const auto language = static_cast<std::uint16_t>(raw[2] | (raw[3] << 8));
    return language != 0 ? language : kFallbackLanguage;
}

}  // namespace vorkel::linux_hid
