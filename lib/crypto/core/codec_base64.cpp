#include "crypto/core/codec_base64.h"

namespace vkt::crypto {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::uint32_t Base64Encode(char* text, const std::uint8_t* bytes, std::uint32_t count) {
    std::uint32_t out = 0, i = 0;
    for (; i + 3 <= count; i += 3) {
        const std::uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        text[out++] = kAlphabet[(v >> 18) & 63];
        text[out++] = kAlphabet[(v >> 12) & 63];
        text[out++] = kAlphabet[(v >> 6) & 63];
        text[out++] = kAlphabet[v & 63];
    }
    if (count - i == 1) {
        const std::uint32_t v = bytes[i] << 16;
        text[out++] = kAlphabet[(v >> 18) & 63];
        text[out++] = kAlphabet[(v >> 12) & 63];
        text[out++] = '=';
        text[out++] = '=';
    } else if (count - i == 2) {
        const std::uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8);
        text[out++] = kAlphabet[(v >> 18) & 63];
        text[out++] = kAlphabet[(v >> 12) & 63];
        text[out++] = kAlphabet[(v >> 6) & 63];
        text[out++] = '=';
    }
    text[out] = '\0';
    return out;
}

std::uint32_t Base64Decode(std::uint8_t* bytes, const char* text, std::uint32_t count) {
    if (text[0] == '\0') return 0;
    std::uint32_t total = 0, pos = 0;
    while (text[pos] != '\0') {
        // One group of four characters; a NUL inside a group is a failure (checked before
        // reading further, so nothing past the terminator is read).
        char c[4];
        for (int j = 0; j < 4; ++j) {
            c[j] = text[pos + static_cast<std::uint32_t>(j)];
            if (c[j] == '\0') return 0;
        }
        pos += 4;
        int s[4];
        for (int j = 0; j < 4; ++j) s[j] = SextetOf(c[j]);
        if (s[0] < 0 || s[1] < 0) return 0;
        std::uint32_t produced = 3;
        if (c[2] == '=') {
            if (c[3] != '=') return 0;
            produced = 1;
        } else if (s[2] < 0) {
            return 0;
        } else if (c[3] == '=') {
            produced = 2;
        } else if (s[3] < 0) {
            return 0;
        }
        // A padded group ends the text.
        if (produced < 3 && text[pos] != '\0') return 0;
        if (total + produced > count) return 0;
        const std::uint32_t v = (static_cast<std::uint32_t>(s[0]) << 18) |
                                (static_cast<std::uint32_t>(s[1]) << 12) |
                                (static_cast<std::uint32_t>(s[2] < 0 ? 0 : s[2]) << 6) |
                                static_cast<std::uint32_t>(s[3] < 0 ? 0 : s[3]);
        bytes[total++] = static_cast<std::uint8_t>(v >> 16);
        if (produced > 1) bytes[total++] = static_cast<std::uint8_t>(v >> 8);
        if (produced > 2) bytes[total++] = static_cast<std::uint8_t>(v);
    }
    return total == count ? count : 0;
}

}  // namespace vkt::crypto
