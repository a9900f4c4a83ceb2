// CryptoEnvelopeOpen: the session key out of a digital envelope (block type 2).
//
// Envelope payload D, big-endian:
//   0      2  symmetric algorithm identifier (101 .. 104)
//   2      2  key length L: the key length of the algorithm
//   4      2  initialisation vector length V: 8, or 0 for none
//   6      L  key bytes
//   6 + L  V  initialisation vector
// The lengths are checked against the algorithm and against |D| before any byte is read, and
// an envelope of another modulus size than the key's is refused before its block is read.
#include "crypto/core/alloc.h"
#include "crypto/core/layer.h"
#include "crypto/rsa/rsa_key.h"

namespace vkt::crypto {
namespace {

std::uint32_t BigEndian16(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 8 | bytes[1];
}

// Creates the key object that D describes; *out stays 0 on failure.
std::int32_t KeyFromPayload(Handle* out, const std::uint8_t* payload, std::uint32_t length) {
    if (length < 6) return kErrBadBlock;
    const auto algorithm = static_cast<std::int32_t>(BigEndian16(payload));
    const std::uint32_t keyLength = BigEndian16(payload + 2);
    const std::uint32_t vectorLength = BigEndian16(payload + 4);
    if (SymKeyLength(algorithm) == 0) return kErrAlgorithm;
    if (keyLength != static_cast<std::uint32_t>(SymKeyLength(algorithm)) ||
        (vectorLength != 0 && vectorLength != 8) || length < 6 + keyLength + vectorLength) {
        return kErrBadBlock;
    }
    Handle key = 0;
    std::int32_t result = CryptoKeyCreate(&key, algorithm, payload + 6, kMaskRaw);
    if (result == kOk && vectorLength == 8) {
        result = CryptoKeySetIV(key, payload + 6 + keyLength, kMaskRaw);
        if (result != kOk) CryptoKeyFree(key);
    }
    if (result == kOk) *out = key;
    return result;
}

}  // namespace

std::int32_t CryptoEnvelopeOpen(Handle* outKey, Handle envelope, Handle rsaKey) {
    LayerGuard guard;
    if (outKey == nullptr) return kErrPointer;
    *outKey = 0;
    const auto* block = static_cast<const RsaBlock*>(CryptoHandleLookup(envelope, kTypeRsaBlock));
    if (block == nullptr) return kErrHandle;
    const auto* key = static_cast<const RsaKey*>(CryptoHandleLookup(rsaKey, kTypeRsaKey));
    if (key == nullptr) return kErrHandle;
    if (block->bits != key->bits) return kErrBadBlock;

    auto* payload = static_cast<std::uint8_t*>(CryptoAlloc(block->size));
    std::uint32_t length = 0;
    std::int32_t result = RsaBlockOpen(payload, &length, block->bytes(), *key);
    if (result == kOk) result = KeyFromPayload(outKey, payload, length);
    CryptoFree(payload);
    return result;
}

}  // namespace vkt::crypto
