// Reading a digital envelope from its text form, and releasing it.
//
// Binary form, big-endian: modulus size in bits (2 bytes; 512 .. 8192, a multiple of 64), then
// the k block bytes. The size is decoded first; the block bytes are decoded from the text that
// follows the characters it used.
#include "crypto/core/alloc.h"
#include "crypto/core/layer.h"
#include "crypto/rsa/rsa_key.h"

namespace vkt::crypto {

std::int32_t CryptoEnvelopeImport(Handle* out, const char* text, std::uint8_t mask) {
    LayerGuard guard;
    if (out == nullptr) return kErrPointer;
    *out = 0;
    if (text == nullptr) return kErrPointer;
    if (!CryptoMaskValid(mask)) return kErrMask;
    std::uint8_t size[2];
    const std::uint32_t used = CryptoDecode(size, text, 2, mask);
    if (used == 0) return kErrInput;
    const std::int32_t bits = size[0] << 8 | size[1];
    if (bits < 512 || bits > kRsaMaxBits || bits % 64 != 0) return kErrModulusRange;

    const Handle handle = CryptoHandleNew();
    if (handle == 0) return kErrNoHandle;
    RsaBlock* block = RsaBlockCreate(bits);
    CryptoHandleAttach(handle, block, kTypeEnvelope);
    if (CryptoDecode(block->bytes(), text + used, block->size, mask) == 0) {
        CryptoHandleRelease(handle, kTypeEnvelope);
        RsaBlockDestroy(block);
        return kErrInput;
    }
    *out = handle;
    return kOk;
}

std::int32_t CryptoEnvelopeFree(Handle envelope) {
    LayerGuard guard;
    auto* block = static_cast<RsaBlock*>(CryptoHandleRelease(envelope, kTypeEnvelope));
    if (block == nullptr) return kErrHandle;
    RsaBlockDestroy(block);
    return kOk;
}

}  // namespace vkt::crypto
