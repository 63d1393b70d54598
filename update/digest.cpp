#include "update/digest.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace orvalin::update {
namespace {

std::string to_hex(const unsigned char* bytes, std::size_t n) {
    std::string hex(n * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), bytes, n);
    hex.pop_back();
    return hex;
}

}  // namespace

std::string sha256_hex(std::string_view data) {
    std::array<unsigned char, crypto_hash_sha256_BYTES> out{};
    crypto_hash_sha256(out.data(), reinterpret_cast<const unsigned char*>(data.data()),
                       data.size());
    return to_hex(out.data(), out.size());
}

std::optional<FileDigest> digest_file(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    FileDigest d;
    std::array<unsigned char, 1 << 16> buffer;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        crypto_hash_sha256_update(&state, buffer.data(), static_cast<unsigned long long>(n));
        d.size += static_cast<std::uint64_t>(n);
    }
    ::close(fd);
    std::array<unsigned char, crypto_hash_sha256_BYTES> out{};
    crypto_hash_sha256_final(&state, out.data());
    d.sha256 = to_hex(out.data(), out.size());
    return d;
}

}  // namespace orvalin::update
