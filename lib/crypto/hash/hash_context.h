// The digest object shared by the six message digests, and its streaming routines.
//
// Used by the digest operations and by the areas that digest data themselves (the RSA
// signature and the private-key file), which read `algorithm`, `closed` and `digest`.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vkt::crypto {

// Loads `count` 32-bit words from `bytes` in the algorithm's word order.
using HashLoadFn = void (*)(std::uint32_t* words, const std::uint8_t* bytes, std::size_t count);

// Compresses into `state`: with `data` set, `count` (at least 1) consecutive 64-byte blocks
// read straight from `data`; with `data` null, the one message block already loaded as
// sixteen words in `block` (count is then 1).
using HashCompressFn = void (*)(std::uint32_t* state, const std::uint32_t* block,
                                const std::uint8_t* data, std::size_t count);

struct HashContext {
    std::int32_t algorithm;   // 302 .. 307
    std::int32_t closed;      // 0 open, 1 closed (digest valid, no further data)
    std::uint32_t bits[2];    // message length in bits: low word, high word
    std::uint32_t state[5];   // chaining words; the 16-byte digests use the first four
    std::uint8_t buffer[64];  // input not yet compressed: bytes 0 .. (bits[0] / 8) % 64 - 1
    std::uint32_t block[16];  // message block of the final compression
    std::uint8_t digest[20];  // digest value once closed (16 or 20 bytes used)
    HashLoadFn load;
    HashCompressFn compress;
    std::int32_t littleEndian;  // 1 for 302, 303, 306, 307; 0 for 304, 305
};

// Prepares an open context for the algorithm. An identifier that names no digest gives a
// context that is already closed, with an empty digest, on which update and final do nothing.
void HashContextInit(HashContext* context, std::int32_t algorithm);

// Feeds data to an open context (no effect on a closed one). Complete blocks are compressed
// straight from `data`; only a partial block is kept in the buffer.
void HashContextUpdate(HashContext* context, const std::uint8_t* data, std::size_t length);

// Pads, compresses the last block(s), writes the digest value and closes the context.
// No effect when the context is already closed.
void HashContextFinal(HashContext* context);

}  // namespace vkt::crypto
