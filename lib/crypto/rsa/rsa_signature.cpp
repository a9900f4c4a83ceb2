// The signature block after signing: its size, its text form, and its release.
//
// Binary form, big-endian: modulus size in bits (2 bytes), then the k block bytes. With the
// mask 0x31 the text is 4 + 2k lower-case hexadecimal digits and a NUL.
#include <cstring>

#include "crypto/core/alloc.h"
#include "crypto/core/layer.h"
#include "crypto/rsa/rsa_key.h"

namespace vkt::crypto {

std::int32_t CryptoSignatureSize(Handle signature, std::uint32_t* size) {
    LayerGuard guard;
    const auto* block = static_cast<const RsaBlock*>(CryptoHandleLookup(signature, kTypeSignature));
    if (block == nullptr) return kErrHandle;
    if (size == nullptr) return kErrPointer;
    *size = block->size + 2;
    return kOk;
}

std::int32_t CryptoSignatureExport(Handle signature, char* text, std::uint8_t mask) {
    LayerGuard guard;
    const auto* block = static_cast<const RsaBlock*>(CryptoHandleLookup(signature, kTypeSignature));
    if (block == nullptr) return kErrHandle;
    if (text == nullptr) return kErrPointer;
    if (!CryptoMaskValid(mask)) return kErrMask;
    const std::uint32_t size = block->size + 2;
    auto* binary = static_cast<std::uint8_t*>(CryptoAlloc(size));
    binary[0] = static_cast<std::uint8_t>(block->bits >> 8);
    binary[1] = static_cast<std::uint8_t>(block->bits);
    std::memcpy(binary + 2, block->bytes(), block->size);
    CryptoEncode(text, binary, size, mask);
    CryptoFree(binary);
    return kOk;
}

std::int32_t CryptoSignatureFree(Handle signature) {
    LayerGuard guard;
    auto* block = static_cast<RsaBlock*>(CryptoHandleRelease(signature, kTypeSignature));
    if (block == nullptr) return kErrHandle;
    RsaBlockDestroy(block);
    return kOk;
}

}  // namespace vkt::crypto
