// Enciphering and deciphering with a mode and a padding, below the layer that draws and
// carries initialisation vectors: the key object's vector must already be set for modes 2
// to 6, and neither input nor output holds a vector. CryptoEncrypt and CryptoDecrypt are built
// on these.
#pragma once

#include <cstdint>

#include "crypto/symcipher/sym_key.h"

namespace vkt::crypto {

// The largest input accepted: the output with its padding block and vector must still have a
// length that fits in 32 bits.
constexpr std::uint32_t kSymMaxInput = 0xFFFFFFFFu - 16;

// Checks, in order: mode 1 to 6 (-502), padding 1, 3 or 4 (-503), input length 0 or above
// kSymMaxInput (-202), mode 1 with padding 1 and fewer than 8 bytes (-202), modes 2 to 6 with
// no vector set (-505). Then enciphers; *outLength is the ciphertext length: the input length
// with padding 1, else the input rounded down to a multiple of 8, plus 8. out must hold that
// many bytes and must not overlap in except at the same address.
std::int32_t SymEncipher(SymKeyContext& context, std::uint8_t* out, std::uint32_t* outLength,
                         const std::uint8_t* in, std::uint32_t inLength, std::int32_t mode,
                         std::int32_t padding);

// Checks, in order: mode (-502), padding (-503), input length 0 (-202), padding 3 or 4 with a
// length that is not a multiple of 8 (-202), modes 2 to 6 with no vector set (-505). Then
// deciphers; *outLength is the plaintext length. A final padding byte of 0 or above 8 is
// refused with -204, and the plaintext already written is wiped. out must hold inLength bytes;
// it may equal in or lie before it.
std::int32_t SymDecipher(SymKeyContext& context, std::uint8_t* out, std::uint32_t* outLength,
                         const std::uint8_t* in, std::uint32_t inLength, std::int32_t mode,
                         std::int32_t padding);

}  // namespace vkt::crypto
