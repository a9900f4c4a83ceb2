// Locating the key text of a private-key file from its four length digits.
#include "crypto/crypto.h"
#include "crypto/keyfile/key_file.h"

namespace vkt::crypto {
namespace {

bool IsBlank(std::uint8_t c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The decimal value of the four characters at offset 18: leading blanks, then digits to the
// end of the field (" 512", "  64"); false for anything else.
bool ReadLengthDigits(const std::uint8_t* field, std::size_t* value) {
    std::size_t i = 0;
    while (i < kKeyFileTextOffset - kKeyFileLengthOffset && IsBlank(field[i])) ++i;
    std::size_t n = 0;
    for (; i < kKeyFileTextOffset - kKeyFileLengthOffset; ++i) {
        if (field[i] < '0' || field[i] > '9') return false;
        n = n * 10 + (field[i] - '0');
    }
    *value = n;  // four blanks read as 0
    return true;
}

}  // namespace

std::int32_t KeyFileLocateKeyText(const std::uint8_t* file, std::size_t size, std::size_t* offset,
                                  std::size_t* length) {
    if (file == nullptr || offset == nullptr || length == nullptr) return kErrPointer;
    if (size < kKeyFileTextOffset) return kErrInput;
    std::size_t n = 0;
    if (!ReadLengthDigits(file + kKeyFileLengthOffset, &n)) return kErrInput;
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
