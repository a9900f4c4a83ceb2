// CryptoEncrypt: one complete message. In modes 2 to 6 a fresh random vector is set for
// every call and written in front of the ciphertext:
//   modes 2-6: vector (8 bytes) || ciphertext        mode 1: ciphertext
// The output must not overlap the input except, in mode 1, at the same address.
#include <cstring>

#include "crypto/core/layer.h"
#include "crypto/crypto.h"
#include "crypto/symcipher/sym_engine.h"
#include "crypto/symcipher/sym_key.h"

namespace vkt::crypto {

std::int32_t CryptoEncrypt(Handle handle, std::uint8_t* out, std::uint32_t* outLength,
                           const std::uint8_t* in, std::uint32_t inLength, std::int32_t mode,
                           std::int32_t padding) {
    LayerGuard guard;
    if (outLength != nullptr) *outLength = 0;
    bool chained = mode >= kModeCbc && mode <= kModeOfb8;
    std::uint32_t prefix = 0;
    if (chained) {
        if (out == nullptr) return kErrPointer;
        auto* context = static_cast<SymKeyContext*>(CryptoHandleLookup(handle, kTypeSymKey));
        if (context == nullptr) return kErrHandle;
        std::uint8_t vector[8];
        CryptoRandomBytes(vector, 8, false);
        SymKeySetVector(*context, vector);
        std::memcpy(out, vector, 8);
        prefix = 8;
    }

    if (out == nullptr || in == nullptr || outLength == nullptr) return kErrPointer;
    auto* context = static_cast<SymKeyContext*>(CryptoHandleLookup(handle, kTypeSymKey));
    if (context == nullptr) return kErrHandle;
    std::uint32_t length = 0;
    std::int32_t result = SymEncipher(*context, out + prefix, &length, in, inLength, mode, padding);
    if (result != kOk) return result;
    *outLength = length + prefix;
    return kOk;
}

}  // namespace vkt::crypto
