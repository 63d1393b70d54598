// A publisher's key pair made for a test, signing as the publisher's tool does
// (detached Ed25519, base64, one line break).
#pragma once

#include <gtest/gtest.h>
#include <sodium.h>

#include <array>
#include <string>
#include <string_view>

#include "update/signature.h"

namespace orvalin::update::testing {

struct TestPublisherKey {
    TestPublisherKey() {
        EXPECT_GE(sodium_init(), 0);
        crypto_sign_keypair(pk.data(), sk.data());
    }
    std::string sign(std::string_view bytes) const {
        Signature sig{};
        crypto_sign_detached(sig.data(), nullptr,
                             reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                             sk.data());
        std::string out(sodium_base64_encoded_len(sig.size(), sodium_base64_VARIANT_ORIGINAL),
                        '\0');
        sodium_bin2base64(out.data(), out.size(), sig.data(), sig.size(),
                          sodium_base64_VARIANT_ORIGINAL);
        out.pop_back();
        return out + "\n";
    }
    PublicKey pk{};
    std::array<unsigned char, crypto_sign_SECRETKEYBYTES> sk{};
};

}  // namespace orvalin::update::testing
