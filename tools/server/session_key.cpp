#include "server/session_key.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <cstring>

#include "server/session_cipher.h"

namespace vkt::server {

namespace {

constexpr std::size_t kDesKeySize = 8;

// The weak and semi-weak keys with odd parity.
constexpr std::uint8_t kWeakKeys[16][kDesKeySize] = {
    {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01},
    {0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE},
    {0x1F, 0x1F, 0x1F, 0x1F, 0x0E, 0x0E, 0x0E, 0x0E},
    {0xE0, 0xE0, 0xE0, 0xE0, 0xF1, 0xF1, 0xF1, 0xF1},
    {0x01, 0xFE, 0x01, 0xFE, 0x01, 0xFE, 0x01, 0xFE},
    {0xFE, 0x01, 0xFE, 0x01, 0xFE, 0x01, 0xFE, 0x01},
    {0x1F, 0xE0, 0x1F, 0xE0, 0x0E, 0xF1, 0x0E, 0xF1},
    {0xE0, 0x1F, 0xE0, 0x1F, 0xF1, 0x0E, 0xF1, 0x0E},
    {0x01, 0xE0, 0x01, 0xE0, 0x01, 0xF1, 0x01, 0xF1},
    {0xE0, 0x01, 0xE0, 0x01, 0xF1, 0x01, 0xF1, 0x01},
    {0x1F, 0xFE, 0x1F, 0xFE, 0x0E, 0xFE, 0x0E, 0xFE},
    {0xFE, 0x1F, 0xFE, 0x1F, 0xFE, 0x0E, 0xFE, 0x0E},
    {0x01, 0x1F, 0x01, 0x1F, 0x01, 0x0E, 0x01, 0x0E},
    {0x1F, 0x01, 0x1F, 0x01, 0x0E, 0x01, 0x0E, 0x01},
    {0xE0, 0xFE, 0xE0, 0xFE, 0xF1, 0xFE, 0xF1, 0xFE},
    {0xFE, 0xE0, 0xFE, 0xE0, 0xFE, 0xF1, 0xFE, 0xF1},
};

// Sets the low bit of each byte so that the byte has an odd number of ones.
void SetOddParity(std::uint8_t* key) {
    for (std::size_t i = 0; i < kDesKeySize; ++i) {
        const std::uint8_t high = key[i] & 0xFE;
        const int ones = __builtin_popcount(high);
        key[i] = static_cast<std::uint8_t>(high | ((ones % 2 == 0) ? 1 : 0));
    }
}

}  // namespace

bool IsWeakDesKey(const std::uint8_t* key) {
    std::uint8_t adjusted[kDesKeySize];
    std::memcpy(adjusted, key, kDesKeySize);
    SetOddParity(adjusted);
    bool weak = false;
    for (const auto& candidate : kWeakKeys) {
        if (std::memcmp(adjusted, candidate, kDesKeySize) == 0) weak = true;
    }
    OPENSSL_cleanse(adjusted, sizeof adjusted);
    return weak;
}

bool MakeSessionKey(int cipher, std::vector<std::uint8_t>* key) {
    const std::size_t length = CipherKeyLength(cipher);
    if (length == 0) return false;
    key->assign(length, 0);
    const std::size_t parts = length / kDesKeySize;
    for (std::size_t part = 0; part < parts; ++part) {
        std::uint8_t* bytes = key->data() + part * kDesKeySize;
        for (;;) {
            if (RAND_bytes(bytes, kDesKeySize) != 1) {
                OPENSSL_cleanse(key->data(), key->size());
                return false;
            }
            SetOddParity(bytes);
            bool repeated = false;
            for (std::size_t earlier = 0; earlier < part; ++earlier) {
                if (std::memcmp(bytes, key->data() + earlier * kDesKeySize, kDesKeySize) == 0)
                    repeated = true;
            }
            if (!repeated && !IsWeakDesKey(bytes)) break;
        }
    }
    return true;
}

}  // namespace vkt::server
