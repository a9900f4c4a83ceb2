// CryptoHashImport: a closed digest object holding a known digest value given as text.
#include <cstring>

#include "crypto/core/alloc.h"
#include "crypto/core/layer.h"
#include "crypto/crypto.h"
#include "crypto/hash/hash_context.h"

namespace vkt::crypto {

std::int32_t CryptoHashImport(Handle* out, std::int32_t algorithm, const char* text,
                              std::uint8_t mask) {
    LayerGuard guard;
    if (out != nullptr) *out = 0;
    const int length = HashDigestLength(algorithm);
    if (length == 0) return kErrAlgorithm;
    if (text == nullptr || out == nullptr) return kErrPointer;
    if (!CryptoMaskValid(mask)) return kErrMask;

    // Exactly the digest length is decoded; text beyond it is not looked at.
    std::uint8_t value[20] = {};
    WipeOnExit wipeValue(value);
    if (CryptoDecode(value, text, static_cast<std::uint32_t>(length), mask) == 0) {
        return kErrInput;
    }
    const Handle handle = CryptoHandleNew();
    if (handle == 0) return kErrNoHandle;
    auto* context = static_cast<HashContext*>(CryptoAlloc(sizeof(HashContext)));
    HashContextInit(context, algorithm);
    std::memcpy(context->digest, value, static_cast<std::size_t>(length));
    context->closed = 1;
    CryptoHandleAttach(handle, context, kTypeDigest);
    *out = handle;
    return kOk;
}

}  // namespace vkt::crypto
