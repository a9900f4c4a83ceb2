// CryptoKeyCreate: a key object from key text.
#include "crypto/core/alloc.h"
#include "crypto/core/layer.h"
#include "crypto/crypto.h"
#include "crypto/symcipher/sym_key.h"

namespace vkt::crypto {

std::int32_t CryptoKeyCreate(Handle* out, std::int32_t algorithm, const void* keyText,
                             std::uint8_t mask) {
    LayerGuard guard;
    if (out != nullptr) *out = 0;
    int length = SymKeyLength(algorithm);
    if (length == 0) return kErrAlgorithm;
    if (out == nullptr || keyText == nullptr) return kErrPointer;
    if (!CryptoMaskValid(mask)) return kErrMask;

    std::uint8_t key[24] = {};
    WipeOnExit wipe(key);
    if (CryptoDecode(key, static_cast<const char*>(keyText), static_cast<std::uint32_t>(length),
                     mask) == 0) {
        return kErrInput;
    }
    if (SymKeyIsWeak(algorithm, key)) return kErrWeakKey;

    Handle handle = CryptoHandleNew();
    if (handle == 0) return kErrNoHandle;
    auto* context = static_cast<SymKeyContext*>(CryptoAlloc(sizeof(SymKeyContext)));
    SymKeyBuild(*context, algorithm, key);
    CryptoHandleAttach(handle, context, kTypeSymKey);
    *out = handle;
    return kOk;
}

}  // namespace vkt::crypto
