// Sealing and unsealing operation payloads under the session key.
//
// Sealed form: vector (8 random bytes) || CBC ciphertext, padding of p bytes of value p
// (1..8, a whole block when the payload is a multiple of 8). n payload bytes seal to
// 8 + 8 * (floor(n / 8) + 1) bytes.
#include "protocol/key_context.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {

// The buffer holds 8 * (floor(n / 8) + 2) + 1 bytes: the sealed form and one spare byte.
std::int32_t KeyContext::Seal(crypto::Handle sessionKey, const std::uint8_t* plain,
                              std::uint32_t length) {
    FreeWorkBuffer();
    const std::uint64_t size = 8 * (std::uint64_t{length} / 8 + 2) + 1;
    if (size > 0xFFFFFFFFu) return CryptoStatus(crypto::kErrLength);
    if (!NewWorkBuffer(static_cast<std::size_t>(size))) return runtime::kNoMemory;
    std::uint32_t sealed = 0;
    const std::int32_t result = crypto::CryptoEncrypt(sessionKey, work_, &sealed, plain, length,
                                                      crypto::kModeCbc, crypto::kPadPkcs);
    if (result != crypto::kOk) {
        FreeWorkBuffer();
        return CryptoStatus(result);
    }
    workLength_ = sealed;
    return runtime::kStatusOk;
}

// The buffer holds n + 1 bytes; the plaintext is at most n - 9 of them.
std::int32_t KeyContext::Unseal(crypto::Handle sessionKey, const std::uint8_t* sealed,
                                std::uint32_t length) {
    FreeWorkBuffer();
    if (!NewWorkBuffer(std::size_t{length} + 1)) return runtime::kNoMemory;
    std::uint32_t plain = 0;
    const std::int32_t result = crypto::CryptoDecrypt(sessionKey, work_, &plain, sealed, length,
                                                      crypto::kModeCbc, crypto::kPadPkcs);
    if (result != crypto::kOk) {
        FreeWorkBuffer();
        return CryptoStatus(result);
    }
    workLength_ = plain;
    return runtime::kStatusOk;
}

}  // namespace vkt::protocol
