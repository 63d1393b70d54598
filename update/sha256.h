// SHA-256, to record what was verified in the update folder and to check at the
// next start that the same bytes are installed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvalin::update {

class Sha256 {
  public:
    Sha256();
    void add(const void* data, std::size_t size);
    // Lower-case hexadecimal digest; the object is spent afterwards.
    std::string hex_digest();

  private:
    void block(const std::uint8_t* p);
    std::array<std::uint32_t, 8> h_;
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t used_ = 0;
    std::uint64_t total_ = 0;
};

std::string sha256_hex(std::string_view data);

}  // namespace orvalin::update
