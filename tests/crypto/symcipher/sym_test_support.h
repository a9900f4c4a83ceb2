// Helpers shared by the block-cipher tests: hex conversion, key objects made from raw bytes,
// and direct access to the key object behind a handle.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "crypto/core/layer.h"
#include "crypto/crypto.h"
#include "crypto/symcipher/sym_key.h"

namespace vkt::crypto::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes FromHex(const std::string& hex) {
    Bytes bytes;
    std::string digits;
    for (char c : hex) {
        if (c != ' ') digits += c;
    }
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

inline std::string ToHex(const std::uint8_t* data, std::size_t length) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 15];
    }
    return text;
}
inline std::string ToHex(const Bytes& bytes) {
    return ToHex(bytes.data(), bytes.size());
}

inline Bytes FromText(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// A key handle from raw key bytes (mask 0); freed when the object goes out of scope.
class ScopedKey {
  public:
    ScopedKey(std::int32_t algorithm, const Bytes& key) {
        EXPECT_EQ(CryptoKeyCreate(&handle_, algorithm, key.data(), kMaskRaw), kOk);
    }
    ~ScopedKey() {
        if (handle_ != 0) CryptoKeyFree(handle_);
    }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;

    Handle handle() const { return handle_; }
    // The key object itself, for the entry points below the random-vector layer.
    SymKeyContext& context() const {
        return *static_cast<SymKeyContext*>(CryptoHandleLookup(handle_, kTypeSymKey));
    }
    void SetVector(const Bytes& vector) const {
        ASSERT_EQ(CryptoKeySetIV(handle_, vector.data(), kMaskRaw), kOk);
    }

  private:
    Handle handle_ = 0;
};

inline Bytes RandomBytes(std::mt19937& random, std::size_t count) {
    Bytes bytes(count);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

// A random key of the algorithm's length that the weak-key test accepts.
inline Bytes RandomKey(std::mt19937& random, std::int32_t algorithm) {
    Bytes key = RandomBytes(random, static_cast<std::size_t>(SymKeyLength(algorithm)));
    // Weak parts are eight equal bytes; two different leading bytes rule them out.
    for (std::size_t part = 0; part < key.size(); part += 8) {
        if (key[part] == key[part + 1]) key[part] ^= 0x80;
    }
    return key;
}

constexpr std::int32_t kAlgorithms[] = {kAlgDes, kAlgTripleDes2, kAlgTripleDes3, kAlgIdea};
constexpr std::int32_t kModes[] = {kModeEcb,   kModeCbc,  kModeCfb64,
                                   kModeOfb64, kModeCfb8, kModeOfb8};
constexpr std::int32_t kPaddings[] = {kPadNone, kPadPkcs, kPadFfCount};

}  // namespace vkt::crypto::testing
