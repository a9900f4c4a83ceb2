// The block body shared by SHA (304) and SHA-1 (305): eighty steps over big-endian words.
// The two differ only in the message schedule, where SHA-1 rotates each expanded word left by
// one bit and SHA does not.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "crypto/core/alloc.h"
#include "crypto/hash/hash_words.h"

namespace vkt::crypto {

// Expanded word t (16 <= t < 80) of the schedule, kept in a 16-word ring:
// w[t] = w[t-3] ^ w[t-8] ^ w[t-14] ^ w[t-16], rotated left by one bit for SHA-1.
template <bool kRotate>
inline std::uint32_t ShaExpand(std::uint32_t* w, int t) {
    std::uint32_t v = w[(t - 3) & 15] ^ w[(t - 8) & 15] ^ w[(t - 14) & 15] ^ w[t & 15];
    if constexpr (kRotate) v = std::rotl(v, 1);
    w[t & 15] = v;
    return v;
}

#define SHA_CH(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define SHA_PARITY(x, y, z) ((x) ^ (y) ^ (z))
#define SHA_MAJ(x, y, z) (((x) & (y)) | ((z) & ((x) | (y))))

// One step: e += (a <<< 5) + f(b, c, d) + k + word; b = b <<< 30. The names then shift by one
// position instead of the values.
#define SHA_STEP(f, k, a, b, c, d, e, word)           \
    e += std::rotl(a, 5) + f(b, c, d) + (k) + (word); \
    b = std::rotl(b, 30)

template <bool kRotate, typename Words>
inline void ShaBlock(std::uint32_t* s, std::uint32_t* w, Words x) {
    std::uint32_t a = s[0], b = s[1], c = s[2], d = s[3], e = s[4];
    // Steps 0 to 19.
    SHA_STEP(SHA_CH, 0x5A827999u, a, b, c, d, e, (w[0] = x(0)));
    SHA_STEP(SHA_CH, 0x5A827999u, e, a, b, c, d, (w[1] = x(1)));
    SHA_STEP(SHA_CH, 0x5A827999u, d, e, a, b, c, (w[2] = x(2)));
    SHA_STEP(SHA_CH, 0x5A827999u, c, d, e, a, b, (w[3] = x(3)));
    SHA_STEP(SHA_CH, 0x5A827999u, b, c, d, e, a, (w[4] = x(4)));
    SHA_STEP(SHA_CH, 0x5A827999u, a, b, c, d, e, (w[5] = x(5)));
    SHA_STEP(SHA_CH, 0x5A827999u, e, a, b, c, d, (w[6] = x(6)));
    SHA_STEP(SHA_CH, 0x5A827999u, d, e, a, b, c, (w[7] = x(7)));
    SHA_STEP(SHA_CH, 0x5A827999u, c, d, e, a, b, (w[8] = x(8)));
    SHA_STEP(SHA_CH, 0x5A827999u, b, c, d, e, a, (w[9] = x(9)));
    SHA_STEP(SHA_CH, 0x5A827999u, a, b, c, d, e, (w[10] = x(10)));
    SHA_STEP(SHA_CH, 0x5A827999u, e, a, b, c, d, (w[11] = x(11)));
    SHA_STEP(SHA_CH, 0x5A827999u, d, e, a, b, c, (w[12] = x(12)));
    SHA_STEP(SHA_CH, 0x5A827999u, c, d, e, a, b, (w[13] = x(13)));
    SHA_STEP(SHA_CH, 0x5A827999u, b, c, d, e, a, (w[14] = x(14)));
    SHA_STEP(SHA_CH, 0x5A827999u, a, b, c, d, e, (w[15] = x(15)));
    SHA_STEP(SHA_CH, 0x5A827999u, e, a, b, c, d, ShaExpand<kRotate>(w, 16));
    SHA_STEP(SHA_CH, 0x5A827999u, d, e, a, b, c, ShaExpand<kRotate>(w, 17));
    SHA_STEP(SHA_CH, 0x5A827999u, c, d, e, a, b, ShaExpand<kRotate>(w, 18));
    SHA_STEP(SHA_CH, 0x5A827999u, b, c, d, e, a, ShaExpand<kRotate>(w, 19));
    // Steps 20 to 39.
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, a, b, c, d, e, ShaExpand<kRotate>(w, 20));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, e, a, b, c, d, ShaExpand<kRotate>(w, 21));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, d, e, a, b, c, ShaExpand<kRotate>(w, 22));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, c, d, e, a, b, ShaExpand<kRotate>(w, 23));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, b, c, d, e, a, ShaExpand<kRotate>(w, 24));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, a, b, c, d, e, ShaExpand<kRotate>(w, 25));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, e, a, b, c, d, ShaExpand<kRotate>(w, 26));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, d, e, a, b, c, ShaExpand<kRotate>(w, 27));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, c, d, e, a, b, ShaExpand<kRotate>(w, 28));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, b, c, d, e, a, ShaExpand<kRotate>(w, 29));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, a, b, c, d, e, ShaExpand<kRotate>(w, 30));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, e, a, b, c, d, ShaExpand<kRotate>(w, 31));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, d, e, a, b, c, ShaExpand<kRotate>(w, 32));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, c, d, e, a, b, ShaExpand<kRotate>(w, 33));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, b, c, d, e, a, ShaExpand<kRotate>(w, 34));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, a, b, c, d, e, ShaExpand<kRotate>(w, 35));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, e, a, b, c, d, ShaExpand<kRotate>(w, 36));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, d, e, a, b, c, ShaExpand<kRotate>(w, 37));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, c, d, e, a, b, ShaExpand<kRotate>(w, 38));
    SHA_STEP(SHA_PARITY, 0x6ED9EBA1u, b, c, d, e, a, ShaExpand<kRotate>(w, 39));
    // Steps 40 to 59.
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, a, b, c, d, e, ShaExpand<kRotate>(w, 40));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, e, a, b, c, d, ShaExpand<kRotate>(w, 41));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, d, e, a, b, c, ShaExpand<kRotate>(w, 42));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, c, d, e, a, b, ShaExpand<kRotate>(w, 43));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, b, c, d, e, a, ShaExpand<kRotate>(w, 44));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, a, b, c, d, e, ShaExpand<kRotate>(w, 45));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, e, a, b, c, d, ShaExpand<kRotate>(w, 46));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, d, e, a, b, c, ShaExpand<kRotate>(w, 47));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, c, d, e, a, b, ShaExpand<kRotate>(w, 48));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, b, c, d, e, a, ShaExpand<kRotate>(w, 49));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, a, b, c, d, e, ShaExpand<kRotate>(w, 50));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, e, a, b, c, d, ShaExpand<kRotate>(w, 51));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, d, e, a, b, c, ShaExpand<kRotate>(w, 52));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, c, d, e, a, b, ShaExpand<kRotate>(w, 53));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, b, c, d, e, a, ShaExpand<kRotate>(w, 54));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, a, b, c, d, e, ShaExpand<kRotate>(w, 55));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, e, a, b, c, d, ShaExpand<kRotate>(w, 56));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, d, e, a, b, c, ShaExpand<kRotate>(w, 57));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, c, d, e, a, b, ShaExpand<kRotate>(w, 58));
    SHA_STEP(SHA_MAJ, 0x8F1BBCDCu, b, c, d, e, a, ShaExpand<kRotate>(w, 59));
    // Steps 60 to 79.
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, a, b, c, d, e, ShaExpand<kRotate>(w, 60));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, e, a, b, c, d, ShaExpand<kRotate>(w, 61));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, d, e, a, b, c, ShaExpand<kRotate>(w, 62));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, c, d, e, a, b, ShaExpand<kRotate>(w, 63));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, b, c, d, e, a, ShaExpand<kRotate>(w, 64));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, a, b, c, d, e, ShaExpand<kRotate>(w, 65));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, e, a, b, c, d, ShaExpand<kRotate>(w, 66));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, d, e, a, b, c, ShaExpand<kRotate>(w, 67));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, c, d, e, a, b, ShaExpand<kRotate>(w, 68));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, b, c, d, e, a, ShaExpand<kRotate>(w, 69));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, a, b, c, d, e, ShaExpand<kRotate>(w, 70));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, e, a, b, c, d, ShaExpand<kRotate>(w, 71));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, d, e, a, b, c, ShaExpand<kRotate>(w, 72));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, c, d, e, a, b, ShaExpand<kRotate>(w, 73));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, b, c, d, e, a, ShaExpand<kRotate>(w, 74));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, a, b, c, d, e, ShaExpand<kRotate>(w, 75));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, e, a, b, c, d, ShaExpand<kRotate>(w, 76));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, d, e, a, b, c, ShaExpand<kRotate>(w, 77));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, c, d, e, a, b, ShaExpand<kRotate>(w, 78));
    SHA_STEP(SHA_PARITY, 0xCA62C1D6u, b, c, d, e, a, ShaExpand<kRotate>(w, 79));
    s[0] += a;
    s[1] += b;
    s[2] += c;
    s[3] += d;
    s[4] += e;
}

#undef SHA_CH
#undef SHA_PARITY
#undef SHA_MAJ
#undef SHA_STEP

// Compresses either the loaded message block or `count` blocks of `data` (HashCompressFn).
// The chaining words and the schedule ring stay local for the whole run and are wiped at its
// end: they are derived from the message, which may be a password.
template <bool kRotate>
inline void ShaCompress(std::uint32_t* state, const std::uint32_t* block, const std::uint8_t* data,
                        std::size_t count) {
    std::uint32_t s[5] = {state[0], state[1], state[2], state[3], state[4]};
    std::uint32_t w[16];
    if (data == nullptr) {
        ShaBlock<kRotate>(s, w, LoadedBlock{block});
    } else {
        for (; count != 0; --count, data += 64) ShaBlock<kRotate>(s, w, BigEndianBlock{data});
    }
    for (int k = 0; k < 5; ++k) state[k] = s[k];
    CryptoWipe(s, sizeof(s));
    CryptoWipe(w, sizeof(w));
}

}  // namespace vkt::crypto
