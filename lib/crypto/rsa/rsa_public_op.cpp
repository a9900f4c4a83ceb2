// The RSA public operation, and the choice between the public and the private one.
#include "crypto/int/mp.h"
#include "crypto/rsa/rsa_key.h"

namespace vkt::crypto {

void RsaPublicOp(const RsaKey& key, mp::MpConst x, mp::MpInt* y) {
    mp::expmod_m_ary(x, key.e, key.n, y, 1);  // width chosen from the exponent's length
}

std::int32_t RsaPrimitive(const RsaKey& key, mp::MpConst x, mp::MpInt* y) {
    if (key.kind == kRsaKindPrivate) return RsaPrivateOp(key, x, y);
    RsaPublicOp(key, x, y);
    return kOk;
}

}  // namespace vkt::crypto
