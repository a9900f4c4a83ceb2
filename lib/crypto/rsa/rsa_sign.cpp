// CryptoSign: an RSA signature (block type 1) over a digest object.
//
// Signature payload D, big-endian:
//   0  2  digest algorithm identifier (302 .. 307)
//   2  2  digest length (16 or 20)
//   4  2  0x0000
//   6  16 or 20  digest value
#include <cstring>

#include "crypto/core/alloc.h"
#include "crypto/core/layer.h"
#include "crypto/hash/hash_context.h"
#include "crypto/rsa/rsa_key.h"

namespace vkt::crypto {

std::int32_t CryptoSign(Handle* outSignature, Handle digest, Handle privateKey) {
    LayerGuard guard;
    if (outSignature == nullptr) return kErrPointer;
    *outSignature = 0;
    auto* context = static_cast<HashContext*>(CryptoHandleLookup(digest, kTypeDigest));
    if (context == nullptr) return kErrHandle;
    const auto* key = static_cast<const RsaKey*>(CryptoHandleLookup(privateKey, kTypeRsaPrivate));
    if (key == nullptr) return kErrHandle;

    HashContextFinal(context);  // closes an open digest; no effect on a closed one
    const int digestLength = HashDigestLength(context->algorithm);
    std::uint8_t payload[6 + 20];
    WipeOnExit wipePayload(payload);
    payload[0] = static_cast<std::uint8_t>(context->algorithm >> 8);
    payload[1] = static_cast<std::uint8_t>(context->algorithm);
    payload[2] = 0;
    payload[3] = static_cast<std::uint8_t>(digestLength);
    payload[4] = 0;
    payload[5] = 0;
    std::memcpy(payload + 6, context->digest, static_cast<std::size_t>(digestLength));

    const Handle handle = CryptoHandleNew();
    if (handle == 0) return kErrNoHandle;
    RsaBlock* block = RsaBlockCreate(key->bits);
    CryptoHandleAttach(handle, block, kTypeSignature);
    const std::int32_t result = RsaBlockMake(
        block->bytes(), payload, static_cast<std::uint32_t>(6 + digestLength), kBlockType1, *key);
    if (result != kOk) {
        CryptoHandleRelease(handle, kTypeSignature);
        RsaBlockDestroy(block);
        return result;
    }
    *outSignature = handle;
    return kOk;
}

}  // namespace vkt::crypto
