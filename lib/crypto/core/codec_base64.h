// Base64 (RFC 1421 alphabet, "=" padding, no line breaks) behind CryptoEncode/CryptoDecode.
#pragma once

#include <cstdint>

namespace vkt::crypto {

// Writes the text and a NUL after it; returns the characters written, the NUL not counted.
std::uint32_t Base64Encode(char* text, const std::uint8_t* bytes, std::uint32_t count);
// Decodes exactly count bytes; returns count, or 0 on any malformed group, on a total that
// differs from count, or on an empty text. Never writes more than count bytes.
std::uint32_t Base64Decode(std::uint8_t* bytes, const char* text, std::uint32_t count);

}  // namespace vkt::crypto
