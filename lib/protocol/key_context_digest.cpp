// Digest objects for the protocol: file digests (MD5) and the key-file digest (SHA-1).
#include "protocol/key_context.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {

std::int32_t KeyContext::DigestUpdate(const void* data, std::uint32_t length,
                                      std::int32_t algorithm, crypto::Handle* digest) {
    if (digest == nullptr) return CryptoStatus(crypto::kErrPointer);
    if (*digest == 0) {
        const std::int32_t created = crypto::CryptoHashCreate(digest, algorithm);
        if (created != crypto::kOk) return CryptoStatus(created);
    }
    if (length == 0) return runtime::kStatusOk;
    const std::int32_t result = crypto::CryptoHashUpdate(*digest, data, length);
    if (result != crypto::kOk) {
        crypto::CryptoHashFree(*digest);
        *digest = 0;
    }
    return CryptoStatus(result);
}

std::int32_t KeyContext::FreeDigest(crypto::Handle digest) {
    return CryptoStatus(crypto::CryptoHashFree(digest));
}

std::int32_t KeyContext::DigestFromHex(const char* text, std::int32_t algorithm,
                                       crypto::Handle* digest) {
    return CryptoStatus(crypto::CryptoHashImport(digest, algorithm, text, crypto::kMaskHex));
}

std::int32_t KeyContext::CompareDigests(crypto::Handle a, crypto::Handle b) {
    return CryptoStatus(crypto::CryptoHashCompare(a, b));
}

}  // namespace vkt::protocol
