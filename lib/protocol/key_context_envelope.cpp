// The session key: opened from the server's envelope, destroyed with the session.
#include <cstdlib>
#include <cstring>

#include "protocol/key_context.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {

// The envelope text is copied with a terminator first, so the layer, which reads text up to
// a NUL, never reads beyond the length bytes the caller vouches for.
std::int32_t KeyContext::OpenEnvelope(crypto::Handle* sessionKey, const char* envelopeText,
                                      std::uint32_t length) {
    if (sessionKey == nullptr) return CryptoStatus(crypto::kErrPointer);
    *sessionKey = 0;
    if (envelopeText == nullptr) return CryptoStatus(crypto::kErrPointer);
    char* text = static_cast<char*>(std::malloc(std::size_t{length} + 1));
    if (text == nullptr) return runtime::kNoMemory;
    std::memcpy(text, envelopeText, length);
    text[length] = '\0';
    crypto::Handle envelope = 0;
    std::int32_t result = crypto::CryptoEnvelopeImport(&envelope, text, crypto::kMaskHex);
    std::free(text);
    if (result != crypto::kOk) return CryptoStatus(result);

    crypto::Handle privateKey = 0;
    const std::int32_t loaded = LoadPrivateKey(&privateKey);
    if (loaded != runtime::kStatusOk) {
        crypto::CryptoEnvelopeFree(envelope);
        return loaded;
    }
    result = crypto::CryptoEnvelopeOpen(sessionKey, envelope, privateKey);
    const std::int32_t keyFreed = crypto::CryptoRsaKeyFree(privateKey);
    const std::int32_t envelopeFreed = crypto::CryptoEnvelopeFree(envelope);
    if (result == crypto::kOk) result = keyFreed != crypto::kOk ? keyFreed : envelopeFreed;
    if (result != crypto::kOk && *sessionKey != 0) {
        crypto::CryptoKeyFree(*sessionKey);
        *sessionKey = 0;
    }
    return CryptoStatus(result);
}

std::int32_t KeyContext::DestroySessionKey(crypto::Handle sessionKey) {
    return CryptoStatus(crypto::CryptoKeyFree(sessionKey));
}

}  // namespace vkt::protocol
