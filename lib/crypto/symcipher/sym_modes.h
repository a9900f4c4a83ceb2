// The modes of operation over a key object. Each transforms length bytes from in to out and
// carries the chaining state in the object (register, position); out may equal in, or lie
// before it, since every input unit is read before its output is written.
#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/symcipher/sym_key.h"

namespace vkt::crypto {

// Mode 1: each complete block on its own; a trailing partial block is left untouched.
void SymEcb(const SymKeyContext& context, bool decipher, std::uint8_t* out, const std::uint8_t* in,
            std::size_t length);

// Mode 2: C = E(P xor R), R = C; P = D(C) xor R, R = C. Complete blocks only.
void SymCbcEncrypt(SymKeyContext& context, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t length);
void SymCbcDecrypt(SymKeyContext& context, std::uint8_t* out, const std::uint8_t* in,
                   std::size_t length);

// Mode 3, CFB with 64-bit feedback, byte-granular: keystream bytes of the register from the
// kept position on, then R = E(R) for each further piece, the used register bytes replaced by
// the ciphertext bytes.
void SymCfb64(SymKeyContext& context, bool decipher, std::uint8_t* out, const std::uint8_t* in,
              std::size_t length);

// Mode 4, OFB with 64-bit feedback, byte-granular: R = E(R) for each new keystream block.
void SymOfb64(SymKeyContext& context, std::uint8_t* out, const std::uint8_t* in,
              std::size_t length);

// Mode 5, CFB with 8-bit feedback: T = E(R), out = in xor T[0], R = R[1..7] || ciphertext byte.
void SymCfb8(SymKeyContext& context, bool decipher, std::uint8_t* out, const std::uint8_t* in,
             std::size_t length);

// Mode 6, OFB with 8-bit feedback: T = E(R), out = in xor T[0], R = R[1..7] || T[0].
void SymOfb8(SymKeyContext& context, std::uint8_t* out, const std::uint8_t* in, std::size_t length);

// The mode engine: routes to the mode (1 to 6, already checked). Modes 1 and 2 transform the
// complete blocks of length only, modes 3 to 6 every byte.
void SymTransform(SymKeyContext& context, std::int32_t mode, bool decipher, std::uint8_t* out,
                  const std::uint8_t* in, std::size_t length);

// Residual-block termination of modes 1 and 2: the count (< 8) trailing bytes become
// in xor E(x), and the object enters kSymStateResidual.
void SymResidual(SymKeyContext& context, std::uint8_t* out, const std::uint8_t* in,
                 std::size_t count, const std::uint8_t x[8]);

}  // namespace vkt::crypto
