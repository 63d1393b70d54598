// orvalin-update-sign: the publisher's side of signed updates. Makes a key pair,
// signs an "update.ini" (detached Ed25519, base64) and checks a signature, with the
// same libsodium calls the program verifies with.
//
//   orvalin-update-sign keygen SECRET_FILE      new secret key file (mode 600); prints the public
//   key orvalin-update-sign public SECRET_FILE      prints the public key of a secret key file
//   orvalin-update-sign sign SECRET_FILE FILE   prints the base64 signature of FILE
//   orvalin-update-sign verify PUBLIC_KEY FILE SIGNATURE_FILE
#include <fcntl.h>
#include <sodium.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>

#include "update/signature.h"

namespace {

using SecretKey = std::array<unsigned char, crypto_sign_SECRETKEYBYTES>;

std::optional<std::string> read_all(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return std::nullopt;
    return text;
}

std::string base64(const unsigned char* bytes, std::size_t n) {
    std::string out(sodium_base64_encoded_len(n, sodium_base64_VARIANT_ORIGINAL), '\0');
    sodium_bin2base64(out.data(), out.size(), bytes, n, sodium_base64_VARIANT_ORIGINAL);
    out.resize(out.size() - 1);  // the terminating NUL
    return out;
}

std::optional<SecretKey> read_secret(const char* path) {
    const auto text = read_all(path);
    if (!text) return std::nullopt;
    std::string_view t = *text;
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.remove_suffix(1);
    SecretKey key{};
    std::size_t length = 0;
    if (sodium_base642bin(key.data(), key.size(), t.data(), t.size(), nullptr, &length, nullptr,
                          sodium_base64_VARIANT_ORIGINAL) != 0 ||
        length != key.size())
        return std::nullopt;
    return key;
}

std::string public_of(const SecretKey& sk) {
    std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> pk{};
    crypto_sign_ed25519_sk_to_pk(pk.data(), sk.data());
    return base64(pk.data(), pk.size());
}

constexpr const char* kUsage =
    "usage: orvalin-update-sign keygen SECRET_FILE\n"
    "       orvalin-update-sign public SECRET_FILE\n"
    "       orvalin-update-sign sign SECRET_FILE FILE\n"
    "       orvalin-update-sign verify PUBLIC_KEY FILE SIGNATURE_FILE\n"
    "       orvalin-update-sign --help\n";

int usage() {
    std::cerr << kUsage;
    return 2;
}

int keygen(const char* path) {
    std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> pk{};
    SecretKey sk{};
    crypto_sign_keypair(pk.data(), sk.data());
    // Never overwrite a key: losing one means users can no longer be sent updates.
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        std::perror(path);
        return 1;
    }
    const std::string text = base64(sk.data(), sk.size()) + "\n";
    sodium_memzero(sk.data(), sk.size());
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (::close(fd) != 0 || !ok) {
        std::perror(path);
        ::unlink(path);
        return 1;
    }
    std::cout << base64(pk.data(), pk.size()) << '\n';
    return 0;
}

int sign(const char* secret_path, const char* file) {
    auto sk = read_secret(secret_path);
    if (!sk) {
        std::cerr << secret_path << ": not a secret key file\n";
        return 1;
    }
    const auto data = read_all(file);
    if (!data) {
        std::perror(file);
        return 1;
    }
    orvalin::update::Signature sig{};
    crypto_sign_detached(sig.data(), nullptr, reinterpret_cast<const unsigned char*>(data->data()),
                         data->size(), sk->data());
    sodium_memzero(sk->data(), sk->size());
    std::cout << base64(sig.data(), sig.size()) << '\n';
    return 0;
}

int verify(const char* public_key, const char* file, const char* signature_file) {
    const auto key = orvalin::update::parse_public_key(public_key);
    const auto data = read_all(file);
    const auto sig = read_all(signature_file);
    if (!key || !data || !sig) {
        std::cerr << "orvalin-update-sign: cannot read the key, the file or the signature\n";
        return 1;
    }
    const bool ok = orvalin::update::check_signature(*data, *sig, *key) ==
                    orvalin::update::SignatureCheck::valid;
    std::cerr << (ok ? "signature valid\n" : "signature NOT valid\n");
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (sodium_init() < 0) return 1;
    if (argc < 2) return usage();
    const std::string command = argv[1];
    if (command == "--help" || command == "-h") {
        std::cout << kUsage;
        return 0;
    }
    if (command == "keygen" && argc == 3) return keygen(argv[2]);
    if (command == "public" && argc == 3) {
        const auto sk = read_secret(argv[2]);
        if (!sk) {
            std::cerr << argv[2] << ": not a secret key file\n";
            return 1;
        }
        std::cout << public_of(*sk) << '\n';
        return 0;
    }
    if (command == "sign" && argc == 4) return sign(argv[2], argv[3]);
    if (command == "verify" && argc == 5) return verify(argv[2], argv[3], argv[4]);
    return usage();
}
