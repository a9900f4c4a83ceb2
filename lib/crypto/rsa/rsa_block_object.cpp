// Allocation of RSA block objects: the header, then k bytes in the same wiped block.
#include "crypto/core/alloc.h"
#include "crypto/rsa/rsa_key.h"

namespace vkt::crypto {

RsaBlock* RsaBlockCreate(std::int32_t bits) {
    const std::uint32_t k = RsaModulusBytes(bits);
    auto* block = static_cast<RsaBlock*>(CryptoAlloc(sizeof(RsaBlock) + k));
    block->bits = bits;
    block->size = k;
    return block;
}

void RsaBlockDestroy(RsaBlock* block) {
    CryptoFree(block);
}

}  // namespace vkt::crypto
