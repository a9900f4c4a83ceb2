// CryptoKeyFree: releases the handle, then wipes and frees the key object.
#include "crypto/core/alloc.h"
#include "crypto/core/layer.h"
#include "crypto/crypto.h"

namespace vkt::crypto {

std::int32_t CryptoKeyFree(Handle handle) {
    LayerGuard guard;
    void* context = CryptoHandleRelease(handle, kTypeSymKey);
    if (context == nullptr) return kErrHandle;
    CryptoFree(context);
    return kOk;
}

}  // namespace vkt::crypto
