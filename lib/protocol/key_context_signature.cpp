// Signing a digest with the user's private key, the trial signature of the key check, and the
// signature's text form.
#include "protocol/key_context.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {

std::int32_t KeyContext::SignDigest(crypto::Handle digest, crypto::Handle* signature,
                                    std::uint32_t* size) {
    if (signature == nullptr || size == nullptr) return CryptoStatus(crypto::kErrPointer);
    *signature = 0;
    *size = 0;
    crypto::Handle privateKey = 0;
    const std::int32_t loaded = LoadPrivateKey(&privateKey);
    if (loaded != runtime::kStatusOk) return loaded;
    std::int32_t result = crypto::CryptoSign(signature, digest, privateKey);
    if (result == crypto::kOk) result = crypto::CryptoSignatureSize(*signature, size);
    const std::int32_t keyFreed = crypto::CryptoRsaKeyFree(privateKey);
    if (result == crypto::kOk) result = keyFreed;
    if (result != crypto::kOk) {
        if (*signature != 0) crypto::CryptoSignatureFree(*signature);
        *signature = 0;
        *size = 0;
    }
    return CryptoStatus(result);
}

std::int32_t KeyContext::CheckSigningKey() {
    crypto::Handle digest = 0;
    std::int32_t result = CryptoStatus(crypto::CryptoHashCreate(&digest, crypto::kAlgMd5));
    crypto::Handle signature = 0;
    std::uint32_t size = 0;
    if (result == runtime::kStatusOk) result = SignDigest(digest, &signature, &size);
    if (signature != 0) crypto::CryptoSignatureFree(signature);
    if (digest != 0) crypto::CryptoHashFree(digest);
    return result;
}

std::int32_t KeyContext::SignatureToHex(crypto::Handle signature, char* text,
                                        std::size_t capacity) {
    std::uint32_t size = 0;
    const std::int32_t sized = crypto::CryptoSignatureSize(signature, &size);
    if (sized != crypto::kOk) return CryptoStatus(sized);
    if (text == nullptr) return CryptoStatus(crypto::kErrPointer);
    if (capacity < 2 * std::size_t{size} + 1) return CryptoStatus(crypto::kErrLength);
    return CryptoStatus(crypto::CryptoSignatureExport(signature, text, crypto::kMaskHex));
}

std::int32_t KeyContext::FreeSignature(crypto::Handle signature) {
    return CryptoStatus(crypto::CryptoSignatureFree(signature));
}

}  // namespace vkt::protocol
