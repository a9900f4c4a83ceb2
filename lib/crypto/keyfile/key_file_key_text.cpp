// Locating the key text of a private-key file from its four length digits.
#include "crypto/crypto.h"
#include "crypto/keyfile/key_file.h"

namespace vkt::crypto {

std::int32_t KeyFileLocateKeyText(const std::uint8_t* file, std::size_t size, std::size_t* offset,
                                  std::size_t* length) {
    if (file == nullptr || offset == nullptr || length == nullptr) return kErrPointer;
    if (size < kKeyFileTextOffset) return kErrInput;
    std::size_t n = 0;
    for (std::size_t i = kKeyFileLengthOffset; i < kKeyFileTextOffset; ++i) {
        if (file[i] < '0' || file[i] > '9') return kErrInput;
        n = n * 10 + (file[i] - '0');
    }
    if (n < 1) return kErrLength;
    if (size < kKeyFileTextOffset + kKeyFileDigestTail ||
        n > size - kKeyFileDigestTail - kKeyFileTextOffset) {
        return kErrTooLong;
    }
    *offset = kKeyFileTextOffset;
    *length = n;
    return kOk;
}

}  // namespace vkt::crypto
