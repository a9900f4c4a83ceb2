// CryptoHashUpdate: feeds data to an open digest object.
#include "crypto/core/layer.h"
#include "crypto/crypto.h"
#include "crypto/hash/hash_context.h"

namespace vkt::crypto {

std::int32_t CryptoHashUpdate(Handle handle, const void* data, std::uint32_t length) {
    LayerGuard guard;
    auto* context = static_cast<HashContext*>(CryptoHandleLookup(handle, kTypeDigest));
    if (context == nullptr) return kErrHandle;
    if (context->closed != 0) return kErrHashClosed;
    if (data == nullptr) return kErrPointer;
    HashContextUpdate(context, static_cast<const std::uint8_t*>(data), length);
    return kOk;
}

}  // namespace vkt::crypto
