// CryptoDecrypt: one complete message as CryptoEncrypt writes it; in modes 2 to 6 the first 8
// input bytes are the vector, which is set on the key object before the rest is deciphered.
// The output may be the input buffer itself.
#include "crypto/core/layer.h"
#include "crypto/crypto.h"
#include "crypto/symcipher/sym_engine.h"
#include "crypto/symcipher/sym_key.h"

namespace vkt::crypto {

std::int32_t CryptoDecrypt(Handle handle, std::uint8_t* out, std::uint32_t* outLength,
                           const std::uint8_t* in, std::uint32_t inLength, std::int32_t mode,
                           std::int32_t padding) {
    LayerGuard guard;
    if (outLength != nullptr) *outLength = 0;
    bool chained = mode >= kModeCbc && mode <= kModeOfb8;
    std::uint32_t prefix = 0;
    if (chained) {
        if (in == nullptr) return kErrPointer;
        auto* context = static_cast<SymKeyContext*>(CryptoHandleLookup(handle, kTypeSymKey));
        if (context == nullptr) return kErrHandle;
        if (inLength <= 8) return kErrLength;
        SymKeySetVector(*context, in);
        prefix = 8;
    }

    if (out == nullptr || in == nullptr || outLength == nullptr) return kErrPointer;
    auto* context = static_cast<SymKeyContext*>(CryptoHandleLookup(handle, kTypeSymKey));
    if (context == nullptr) return kErrHandle;
    std::uint32_t length = 0;
    std::int32_t result =
        SymDecipher(*context, out, &length, in + prefix, inLength - prefix, mode, padding);
    if (result != kOk) return result;
    *outLength = length;
    return kOk;
}

}  // namespace vkt::crypto
