// Opening an RSA block: apply the key and take the data out of the encryption block.
//
//   EB = 00 || BT || PS || 00 || D, k bytes, at least 8 bytes of PS
//   BT 0: PS all 00, D is what follows the last 00 of the run (its first byte non-zero)
//   BT 1: PS all FF, then 00        BT 2: PS non-zero, then 00
// Every malformed EB is -608, so a wrong key, a damaged block and a forged one look alike.
#include <cstring>

#include "crypto/core/alloc.h"
#include "crypto/int/mp.h"
#include "crypto/rsa/rsa_key.h"

namespace vkt::crypto {
namespace {

// Index s of the 00 that ends PS, or 0 when the EB has none where its type puts one.
std::uint32_t FindSeparator(const std::uint8_t* eb, std::uint32_t k, int blockType) {
    for (std::uint32_t i = 2; i < k; ++i) {
        switch (blockType) {
            case kBlockType0:
                if (eb[i] != 0x00) return i - 1;
                break;
            case kBlockType1:
                if (eb[i] != 0xFF) return i;
                break;
            default:
                if (eb[i] == 0x00) return i;
                break;
        }
    }
    return 0;
}

}  // namespace

std::int32_t RsaBlockOpen(std::uint8_t* data, std::uint32_t* length, const std::uint8_t* block,
                          const RsaKey& key) {
    *length = 0;
    const std::uint32_t k = RsaModulusBytes(key.bits);
    if (k < 12) return kErrInternal;

    MpScoped x, y;
    RsaIntFromBytes(block, k, x.out());
    if (mp::compare(x.get(), key.n) >= 0) return kErrBadBlock;
    std::int32_t result = RsaPrimitive(key, x.get(), y.out());
    if (result != kOk) return result;

    auto* eb = static_cast<std::uint8_t*>(CryptoAlloc(k));
    if (!RsaIntToBytes(y.get(), eb, k)) {
        result = kErrInternal;
    } else if (eb[0] != 0x00 || eb[1] > kBlockType2) {
        result = kErrBadBlock;
    } else if (eb[1] != kBlockType2 && key.kind == kRsaKindPrivate) {
        result = kErrNeedPublic;
    } else if (eb[1] == kBlockType2 && key.kind != kRsaKindPrivate) {
        result = kErrNeedPrivate;
    } else {
        const std::uint32_t s = FindSeparator(eb, k, eb[1]);
        if (s < 2 + 8 || eb[s] != 0x00) {
            result = kErrBadBlock;
        } else {
            *length = k - 1 - s;
            std::memcpy(data, eb + s + 1, *length);
        }
    }
    CryptoFree(eb);
    return result;
}

}  // namespace vkt::crypto
