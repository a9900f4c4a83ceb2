// CryptoHashOneShot: the digest of one piece of data, with the context kept on the stack.
#include <cstring>

#include "crypto/core/alloc.h"
#include "crypto/core/layer.h"
#include "crypto/crypto.h"
#include "crypto/hash/hash_context.h"

namespace vkt::crypto {

void CryptoHashOneShot(std::uint8_t* out, std::int32_t algorithm, const void* data,
                       std::size_t length) {
    LayerGuard guard;
    // An identifier that names no digest writes nothing (its digest length is 0).
    const int digestLength = HashDigestLength(algorithm);
    if (digestLength == 0 || out == nullptr) return;
    HashContext context;
    WipeOnExit wipeContext(context);
    HashContextInit(&context, algorithm);
    if (length != 0) HashContextUpdate(&context, static_cast<const std::uint8_t*>(data), length);
    HashContextFinal(&context);
    std::memcpy(out, context.digest, static_cast<std::size_t>(digestLength));
}

}  // namespace vkt::crypto
