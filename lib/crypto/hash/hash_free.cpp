// CryptoHashFree: releases a digest object's handle, then wipes and frees the object.
#include "crypto/core/alloc.h"
#include "crypto/core/layer.h"
#include "crypto/crypto.h"

namespace vkt::crypto {

std::int32_t CryptoHashFree(Handle handle) {
    LayerGuard guard;
    void* context = CryptoHandleRelease(handle, kTypeDigest);
    if (context == nullptr) return kErrHandle;
    CryptoFree(context);
    return kOk;
}

}  // namespace vkt::crypto
