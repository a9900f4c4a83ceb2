// Conversion of byte strings to text and back under a one-byte conversion mask.
//
// Mask bits: 0x80 Base64 (other bits ignored); 0x03 character set: 0 raw bytes, 1 or 2 ASCII
// hexadecimal, 3 EBCDIC hexadecimal; 0x0C grouping of hexadecimal output in 2, 4 or 8 bytes;
// 0x10 a counted NUL after hexadecimal output; 0x20 lower-case letters; 0x40 low nibble first.
#include <cstdint>
#include <cstring>

#include "crypto/core/codec_base64.h"
#include "crypto/crypto.h"

namespace vkt::crypto {
namespace {

struct CharSet {
    char digit0;     // '0'
    char upperA;     // 'A'
    char lowerA;     // 'a'
    char separator;  // group separator
};
constexpr CharSet kAscii{'\x30', '\x41', '\x61', '\x20'};
constexpr CharSet kEbcdic{'\xF0', '\xC1', '\x81', '\x40'};

const CharSet& CharSetOf(std::uint8_t mask) {
    return (mask & 0x03) == 3 ? kEbcdic : kAscii;
}

unsigned GroupOf(std::uint8_t mask) {
    static constexpr unsigned kGroups[4] = {0, 2, 4, 8};
    return kGroups[(mask >> 2) & 0x03];
}

char DigitChar(unsigned nibble, const CharSet& set, bool lower) {
    if (nibble < 10) return static_cast<char>(set.digit0 + static_cast<char>(nibble));
    return static_cast<char>((lower ? set.lowerA : set.upperA) + static_cast<char>(nibble - 10));
}

// Value of a hexadecimal digit in either case, or -1.
int DigitValue(char c, const CharSet& set) {
    if (c >= set.digit0 && c <= static_cast<char>(set.digit0 + 9)) return c - set.digit0;
    if (c >= set.upperA && c <= static_cast<char>(set.upperA + 5)) return c - set.upperA + 10;
    if (c >= set.lowerA && c <= static_cast<char>(set.lowerA + 5)) return c - set.lowerA + 10;
    return -1;
}

}  // namespace

bool CryptoMaskValid(std::uint8_t mask) {
    return (mask & 0x03) != 0 || (mask & 0x60) == 0;
}

std::uint32_t CryptoEncode(char* text, const std::uint8_t* bytes, std::uint32_t count,
                           std::uint8_t mask) {
    if (mask & 0x80) return Base64Encode(text, bytes, count);
    if ((mask & 0x03) == 0) {
        if (count != 0) std::memcpy(text, bytes, count);
        return count;
    }
    const CharSet& set = CharSetOf(mask);
    const bool lower = (mask & 0x20) != 0;
    const bool lowFirst = (mask & 0x40) != 0;
    const unsigned group = GroupOf(mask);
    std::uint32_t out = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const unsigned hi = bytes[i] >> 4, lo = bytes[i] & 0x0F;
        text[out++] = DigitChar(lowFirst ? lo : hi, set, lower);
        text[out++] = DigitChar(lowFirst ? hi : lo, set, lower);
        // Groups are aligned on the end of the data.
        const std::uint32_t after = count - 1 - i;
        if (group != 0 && after != 0 && after % group == 0) text[out++] = set.separator;
    }
    if (mask & 0x10) text[out++] = '\0';
    return out;
}

std::uint32_t CryptoDecode(std::uint8_t* bytes, const char* text, std::uint32_t count,
                           std::uint8_t mask) {
    if (mask & 0x80) return Base64Decode(bytes, text, count);
    if ((mask & 0x03) == 0) {
        if (count != 0) std::memcpy(bytes, text, count);
        return count;
    }
    if (count == 0) return 0;
    const CharSet& set = CharSetOf(mask);
    const bool lowFirst = (mask & 0x40) != 0;
    std::uint32_t pos = 0;
    // Reading stops at the first character that is neither a separator nor a digit, the
    // terminating NUL included, so nothing beyond the caller's text is read.
    auto nextDigit = [&]() -> int {
        while (text[pos] == set.separator) ++pos;
        const int value = DigitValue(text[pos], set);
        if (value >= 0) ++pos;
        return value;
    };
    for (std::uint32_t i = 0; i < count; ++i) {
        const int first = nextDigit();
        if (first < 0) return 0;
        const int second = nextDigit();
        if (second < 0) return 0;
        bytes[i] = static_cast<std::uint8_t>(lowFirst ? second * 16 + first : first * 16 + second);
    }
    return pos;
}

}  // namespace vkt::crypto
