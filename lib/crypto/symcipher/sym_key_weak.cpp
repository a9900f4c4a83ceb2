// Weak-key test, on the key bytes as decoded (parity not yet forced).
#include <cstdint>

#include "crypto/crypto.h"
#include "crypto/symcipher/sym_key.h"

namespace vkt::crypto {
namespace {

// An 8-byte DES part is weak when all its bytes are one of 0x01, 0xFE, 0x1F, 0xE0.
bool DesPartIsWeak(const std::uint8_t* part) {
    for (std::uint8_t weak : {0x01, 0xFE, 0x1F, 0xE0}) {
        bool all = true;
        for (int i = 0; i < 8; ++i) all = all && part[i] == weak;
        if (all) return true;
    }
    return false;
}

}  // namespace

bool SymKeyIsWeak(std::int32_t algorithm, const std::uint8_t* key) {
    if (algorithm == kAlgIdea) {
        for (int i = 0; i < 16; ++i) {
            if (key[i] != 0) return false;
        }
        return true;
    }
    int parts = SymKeyLength(algorithm) / 8;
    for (int part = 0; part < parts; ++part) {
        if (DesPartIsWeak(key + 8 * part)) return true;
    }
    return false;
}

}  // namespace vkt::crypto
