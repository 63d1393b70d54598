#include "update/signature.h"

#include <sodium.h>

#include <algorithm>
#include <mutex>

namespace orvalin::update {
namespace {

void sodium_ready() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Fails only without a source of randomness, which verifying does not need.
        [[maybe_unused]] const int ready = sodium_init();
    });
}

template <std::size_t N>
std::optional<std::array<unsigned char, N>> decode(std::string_view text) {
    sodium_ready();
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    std::array<unsigned char, N> out{};
    // One byte of room more than wanted: a longer text must fail, not be cut short.
    unsigned char buffer[N + 1];
    const auto decodes = [&](int variant) {
        std::size_t length = 0;
        const char* end = nullptr;
        return sodium_base642bin(buffer, sizeof buffer, text.data(), text.size(), " \t\r\n",
                                 &length, &end, variant) == 0 &&
               end == text.data() + text.size() && length == N;
    };
    if (!decodes(sodium_base64_VARIANT_ORIGINAL) &&
        !decodes(sodium_base64_VARIANT_ORIGINAL_NO_PADDING))
        return std::nullopt;
    std::copy(buffer, buffer + N, out.begin());
    return out;
}

}  // namespace

std::optional<PublicKey> parse_public_key(std::string_view base64) {
    return decode<kPublicKeyBytes>(base64);
}

std::optional<Signature> parse_signature(std::string_view signature_file) {
    if (signature_file.size() > kMaxSignatureFileBytes) return std::nullopt;
    return decode<kSignatureBytes>(signature_file);
}

SignatureCheck check_signature(std::string_view signed_bytes, std::string_view signature_file,
                               const PublicKey& key) {
    bool empty = true;
    for (char c : signature_file)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') empty = false;
    if (empty) return SignatureCheck::missing;
    const auto signature = parse_signature(signature_file);
    if (!signature) return SignatureCheck::malformed;
    sodium_ready();
    return crypto_sign_verify_detached(signature->data(),
                                       reinterpret_cast<const unsigned char*>(signed_bytes.data()),
                                       signed_bytes.size(), key.data()) == 0
               ? SignatureCheck::valid
               : SignatureCheck::wrong;
}

}  // namespace orvalin::update
