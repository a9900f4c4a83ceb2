// CryptoHashCompare: closes both digest objects and compares their values.
#include "crypto/core/layer.h"
#include "crypto/crypto.h"
#include "crypto/hash/hash_context.h"

namespace vkt::crypto {

std::int32_t CryptoHashCompare(Handle a, Handle b) {
    LayerGuard guard;
    auto* first = static_cast<HashContext*>(CryptoHandleLookup(a, kTypeDigest));
    auto* second = static_cast<HashContext*>(CryptoHandleLookup(b, kTypeDigest));
    if (first == nullptr || second == nullptr) return kErrHandle;
    // Refused before either object is touched: a caller that mixed up two objects can still
    // feed them.
    if (first->algorithm != second->algorithm) return kErrHashAlgorithms;
    HashContextFinal(first);
    HashContextFinal(second);
    // Every byte is looked at, so the time taken does not tell where the values differ.
    std::uint8_t difference = 0;
    const int length = HashDigestLength(first->algorithm);
    for (int k = 0; k < length; ++k) difference |= first->digest[k] ^ second->digest[k];
    return difference == 0 ? kOk : kErrHashMismatch;
}

}  // namespace vkt::crypto
