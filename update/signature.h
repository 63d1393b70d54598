// The publisher's signature over the update configuration: a detached Ed25519
// signature (libsodium), published base64-encoded as "update.ini.sig" beside
// "update.ini" and made over its exact bytes.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace orvalin::update {

inline constexpr std::size_t kPublicKeyBytes = 32;
inline constexpr std::size_t kSignatureBytes = 64;
// The largest signature file read (a real one is 88 characters and a line break).
inline constexpr std::size_t kMaxSignatureFileBytes = 1024;

using PublicKey = std::array<unsigned char, kPublicKeyBytes>;
using Signature = std::array<unsigned char, kSignatureBytes>;

// Base64 (standard alphabet, padding optional, blanks and line breaks around and
// between ignored) of exactly n bytes; nullopt for anything else.
std::optional<PublicKey> parse_public_key(std::string_view base64);
std::optional<Signature> parse_signature(std::string_view signature_file);

enum class SignatureCheck { valid, missing, malformed, wrong };

// missing: an empty signature file; malformed: not base64 of 64 bytes; wrong: does
// not verify for these bytes with this key.
SignatureCheck check_signature(std::string_view signed_bytes, std::string_view signature_file,
                               const PublicKey& key);

}  // namespace orvalin::update
