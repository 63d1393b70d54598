// SHA-256 (libsodium) of downloaded and staged files, compared with the values
// that the signed update configuration gives.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orvalin::update {

// Lower-case hexadecimal SHA-256 of data.
std::string sha256_hex(std::string_view data);

struct FileDigest {
    std::uint64_t size = 0;
    std::string sha256;  // lower-case hex
};

// SHA-256 and size of a regular file (symbolic links refused).
std::optional<FileDigest> digest_file(const std::filesystem::path& file);

}  // namespace orvalin::update
