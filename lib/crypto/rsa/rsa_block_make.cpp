// Making an RSA block: format the data as an encryption block (EB) of k bytes and apply the key.
//
//   EB = 00 || BT || PS || 00 || D        |PS| = k - 3 - |D| >= 8
//   BT 0: PS all 00 (D must not start with 00)   BT 1: PS all FF   BT 2: PS random, non-zero
#include <cstring>

#include "crypto/core/alloc.h"
#include "crypto/int/mp.h"
#include "crypto/rsa/rsa_key.h"

namespace vkt::crypto {

std::int32_t RsaBlockMake(std::uint8_t* out, const std::uint8_t* data, std::uint32_t length,
                          int blockType, const RsaKey& key) {
    const std::uint32_t k = RsaModulusBytes(key.bits);
    if (k < 12) return kErrInternal;
    if (length < 1) return kErrLength;
    if (length > k - 11) return kErrTooLong;
    if (blockType < kBlockType0 || blockType > kBlockType2) return kErrInternal;
    if (blockType == kBlockType0 && data[0] == 0x00) return kErrInternal;
    const bool isPrivate = key.kind == kRsaKindPrivate;
    if (blockType != kBlockType2 && !isPrivate) return kErrNeedPrivate;
    if (blockType == kBlockType2 && isPrivate) return kErrNeedPublic;

    auto* eb = static_cast<std::uint8_t*>(CryptoAlloc(k));
    const std::uint32_t padding = k - 3 - length;
    eb[0] = 0x00;
    eb[1] = static_cast<std::uint8_t>(blockType);
    if (blockType == kBlockType1) std::memset(eb + 2, 0xFF, padding);
    if (blockType == kBlockType2) CryptoRandomBytes(eb + 2, padding, true);
    eb[2 + padding] = 0x00;
    std::memcpy(eb + 3 + padding, data, length);

    MpScoped x, y;
    RsaIntFromBytes(eb, k, x.out());
    CryptoFree(eb);
    // x < 2^(8k - 14) <= n as 00 leads and BT <= 2 follows, for an n of bits or bits - 1 bits
    // (the loader refuses other lengths); a key that broke this would be refused here rather
    // than produce a wrong block.
    if (mp::compare(x.get(), key.n) >= 0) return kErrInternal;
    std::int32_t result = RsaPrimitive(key, x.get(), y.out());
    if (result == kOk && !RsaIntToBytes(y.get(), out, k)) result = kErrInternal;
    return result;
}

}  // namespace vkt::crypto
