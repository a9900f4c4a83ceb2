// CryptoKeySetIV: the initialisation vector of a key object from text.
#include <cstring>

#include "crypto/core/alloc.h"
#include "crypto/core/layer.h"
#include "crypto/crypto.h"
#include "crypto/symcipher/sym_key.h"

namespace vkt::crypto {

void SymKeySetVector(SymKeyContext& context, const std::uint8_t vector[8]) {
    std::memcpy(context.vector, vector, 8);
    std::memcpy(context.reg, vector, 8);
    context.position = 0;
    context.state = kSymStateVector;
}

std::int32_t CryptoKeySetIV(Handle handle, const void* vectorText, std::uint8_t mask) {
    LayerGuard guard;
    if (vectorText == nullptr) return kErrPointer;
    if (!CryptoMaskValid(mask)) return kErrMask;
    auto* context = static_cast<SymKeyContext*>(CryptoHandleLookup(handle, kTypeSymKey));
    if (context == nullptr) return kErrHandle;
    std::uint8_t vector[8];
    WipeOnExit wipe(vector);
    if (CryptoDecode(vector, static_cast<const char*>(vectorText), 8, mask) == 0) {
        return kErrInput;
    }
    SymKeySetVector(*context, vector);
    return kOk;
}

}  // namespace vkt::crypto
