// The file digest of a private-key file: SHA-1 of everything before the last 41 bytes.
#include <cstring>

#include "crypto/core/layer.h"
#include "crypto/crypto.h"
#include "crypto/keyfile/key_file.h"

namespace vkt::crypto {

std::int32_t KeyFileVerifyDigest(const std::uint8_t* file, std::size_t size) {
    LayerGuard guard;
    if (file == nullptr) return kErrPointer;
    if (size < kKeyFileTextOffset + kKeyFileDigestTail || size - kKeyFileDigestTail > 0xFFFFFFFFu) {
        return kErrInput;
    }
    // The digits are copied out with a terminator, so that decoding them (which skips
    // separators) cannot run past the end of the file.
    char digits[41];
    std::memcpy(digits, file + size - kKeyFileDigestTail, 40);
    digits[40] = '\0';

    Handle stored = 0;
    std::int32_t result = CryptoHashImport(&stored, kAlgSha1, digits, kMaskHex);
    if (result != kOk) return result;
    Handle computed = 0;
    result = CryptoHashCreate(&computed, kAlgSha1);
    if (result == kOk) {
        result =
            CryptoHashUpdate(computed, file, static_cast<std::uint32_t>(size - kKeyFileDigestTail));
    }
    if (result == kOk) result = CryptoHashCompare(computed, stored);
    CryptoHashFree(computed);
    CryptoHashFree(stored);
    return result;
}

}  // namespace vkt::crypto
