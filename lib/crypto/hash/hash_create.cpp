// CryptoHashCreate: a new open digest object for an algorithm.
#include "crypto/core/alloc.h"
#include "crypto/core/layer.h"
#include "crypto/crypto.h"
#include "crypto/hash/hash_context.h"

namespace vkt::crypto {

std::int32_t CryptoHashCreate(Handle* out, std::int32_t algorithm) {
    LayerGuard guard;
    if (out != nullptr) *out = 0;
    if (HashDigestLength(algorithm) == 0) return kErrAlgorithm;
    if (out == nullptr) return kErrPointer;
    const Handle handle = CryptoHandleNew();
    if (handle == 0) return kErrNoHandle;
    auto* context = static_cast<HashContext*>(CryptoAlloc(sizeof(HashContext)));
    HashContextInit(context, algorithm);
    CryptoHandleAttach(handle, context, kTypeDigest);
    *out = handle;
    return kOk;
}

}  // namespace vkt::crypto
