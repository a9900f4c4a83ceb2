// Word access for the compression routines: 32-bit loads in either byte order and the word
// sources that let one straight-line block body read its sixteen words from the caller's bytes
// or from an already loaded message block.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "crypto/core/alloc.h"

namespace vkt::crypto {

inline std::uint32_t LoadLittleEndian32(const std::uint8_t* p) {
    std::uint32_t w;
    std::memcpy(&w, p, 4);
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap32(w);
    return w;
}

inline std::uint32_t LoadBigEndian32(const std::uint8_t* p) {
    std::uint32_t w;
    std::memcpy(&w, p, 4);
    if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap32(w);
    return w;
}

inline void StoreLittleEndian32(std::uint8_t* p, std::uint32_t w) {
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap32(w);
    std::memcpy(p, &w, 4);
}

inline void StoreBigEndian32(std::uint8_t* p, std::uint32_t w) {
    if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap32(w);
    std::memcpy(p, &w, 4);
}

// Word k of a block of little-endian words (MD4, MD5, RIPEMD, RIPEMD-160).
struct LittleEndianBlock {
    const std::uint8_t* bytes;
    std::uint32_t operator()(int k) const { return LoadLittleEndian32(bytes + 4 * k); }
};

// Word k of a block of big-endian words (SHA, SHA-1).
struct BigEndianBlock {
    const std::uint8_t* bytes;
    std::uint32_t operator()(int k) const { return LoadBigEndian32(bytes + 4 * k); }
};

// Word k of a message block already loaded as words.
struct LoadedBlock {
    const std::uint32_t* words;
    std::uint32_t operator()(int k) const { return words[k]; }
};

// The compression driver of the little-endian digests: runs blockFn(chaining words, word
// source) over the loaded message block (data null) or over count blocks straight from data.
// The chaining words stay in a local copy for the whole run, wiped at the end (the message may
// be a password, whose digest serves as a key).
template <int kWords, typename BlockFn>
inline void CompressLittleEndianRun(std::uint32_t* state, const std::uint32_t* block,
                                    const std::uint8_t* data, std::size_t count, BlockFn blockFn) {
    std::uint32_t s[kWords];
    for (int k = 0; k < kWords; ++k) s[k] = state[k];
    if (data == nullptr) {
        blockFn(s, LoadedBlock{block});
    } else {
        for (; count != 0; --count, data += 64) blockFn(s, LittleEndianBlock{data});
    }
    for (int k = 0; k < kWords; ++k) state[k] = s[k];
    CryptoWipe(s, sizeof(s));
}

}  // namespace vkt::crypto
