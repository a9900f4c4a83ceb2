// Releasing RSA key objects: CryptoRsaKeyFree and the destructor shared with the loader.
#include "crypto/core/alloc.h"
#include "crypto/core/layer.h"
#include "crypto/int/mp.h"
#include "crypto/rsa/rsa_key.h"

namespace vkt::crypto {

void RsaKeyDestroy(RsaKey* key) {
    if (key == nullptr) return;
    for (mp::MpInt* field :
         {&key->n, &key->e, &key->d, &key->p, &key->q, &key->dp, &key->dq, &key->u}) {
        mp::free(field);
    }
    CryptoFree(key);
}

std::int32_t CryptoRsaKeyFree(Handle handle) {
    LayerGuard guard;
    auto* key = static_cast<RsaKey*>(CryptoHandleRelease(handle, kTypeRsaKey));
    if (key == nullptr) return kErrHandle;
    RsaKeyDestroy(key);
    return kOk;
}

}  // namespace vkt::crypto
