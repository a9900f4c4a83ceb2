// RIPEMD, the original 128-bit RIPE digest: two parallel lines of MD4-like steps, three rounds
// of sixteen each, over little-endian words. Both lines use the same functions, word order
// and rotations; they differ only in the added constants.
#include <bit>

#include "crypto/core/alloc.h"
#include "crypto/hash/hash_algorithms.h"
#include "crypto/hash/hash_words.h"

namespace vkt::crypto {
namespace {

// One step on both lines (suffix l: left, r: right): a = (a + f(b, c, d) + word + k) <<< s.
// Constants: left 0, 0x5A827999, 0x6ED9EBA1; right 0x50A28BE6, 0, 0x5C4DD124.
#define RIPEMD_STEP(f, kl, kr, a, b, c, d, w, s)                       \
    do {                                                               \
        const std::uint32_t word = (w);                                \
        a##l = std::rotl(a##l + f(b##l, c##l, d##l) + word + (kl), s); \
        a##r = std::rotl(a##r + f(b##r, c##r, d##r) + word + (kr), s); \
    } while (0)
#define RIPEMD_FF(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define RIPEMD_GG(x, y, z) (((x) & (y)) | (((x) | (y)) & (z)))
#define RIPEMD_HH(x, y, z) ((x) ^ (y) ^ (z))
#define RIPEMD_F(a, b, c, d, w, s) RIPEMD_STEP(RIPEMD_FF, 0u, 0x50A28BE6u, a, b, c, d, w, s)
#define RIPEMD_G(a, b, c, d, w, s) RIPEMD_STEP(RIPEMD_GG, 0x5A827999u, 0u, a, b, c, d, w, s)
#define RIPEMD_H(a, b, c, d, w, s) \
    RIPEMD_STEP(RIPEMD_HH, 0x6ED9EBA1u, 0x5C4DD124u, a, b, c, d, w, s)

template <typename Words>
inline void RipemdBlock(std::uint32_t* s, Words x) {
    std::uint32_t al = s[0], bl = s[1], cl = s[2], dl = s[3];
    std::uint32_t ar = al, br = bl, cr = cl, dr = dl;
    // Round 1.
    RIPEMD_F(a, b, c, d, x(0), 11);
    RIPEMD_F(d, a, b, c, x(1), 14);
    RIPEMD_F(c, d, a, b, x(2), 15);
    RIPEMD_F(b, c, d, a, x(3), 12);
    RIPEMD_F(a, b, c, d, x(4), 5);
    RIPEMD_F(d, a, b, c, x(5), 8);
    RIPEMD_F(c, d, a, b, x(6), 7);
    RIPEMD_F(b, c, d, a, x(7), 9);
    RIPEMD_F(a, b, c, d, x(8), 11);
    RIPEMD_F(d, a, b, c, x(9), 13);
    RIPEMD_F(c, d, a, b, x(10), 14);
    RIPEMD_F(b, c, d, a, x(11), 15);
    RIPEMD_F(a, b, c, d, x(12), 6);
    RIPEMD_F(d, a, b, c, x(13), 7);
    RIPEMD_F(c, d, a, b, x(14), 9);
    RIPEMD_F(b, c, d, a, x(15), 8);
    // Round 2.
    RIPEMD_G(a, b, c, d, x(7), 7);
    RIPEMD_G(d, a, b, c, x(4), 6);
    RIPEMD_G(c, d, a, b, x(13), 8);
    RIPEMD_G(b, c, d, a, x(1), 13);
    RIPEMD_G(a, b, c, d, x(10), 11);
    RIPEMD_G(d, a, b, c, x(6), 9);
    RIPEMD_G(c, d, a, b, x(15), 7);
    RIPEMD_G(b, c, d, a, x(3), 15);
    RIPEMD_G(a, b, c, d, x(12), 7);
    RIPEMD_G(d, a, b, c, x(0), 12);
    RIPEMD_G(c, d, a, b, x(9), 15);
    RIPEMD_G(b, c, d, a, x(5), 9);
    RIPEMD_G(a, b, c, d, x(14), 7);
    RIPEMD_G(d, a, b, c, x(2), 11);
    RIPEMD_G(c, d, a, b, x(11), 13);
    RIPEMD_G(b, c, d, a, x(8), 12);
    // Round 3.
    RIPEMD_H(a, b, c, d, x(3), 11);
    RIPEMD_H(d, a, b, c, x(10), 13);
    RIPEMD_H(c, d, a, b, x(2), 14);
    RIPEMD_H(b, c, d, a, x(4), 7);
    RIPEMD_H(a, b, c, d, x(9), 14);
    RIPEMD_H(d, a, b, c, x(15), 9);
    RIPEMD_H(c, d, a, b, x(8), 13);
    RIPEMD_H(b, c, d, a, x(1), 15);
    RIPEMD_H(a, b, c, d, x(14), 6);
    RIPEMD_H(d, a, b, c, x(7), 8);
    RIPEMD_H(c, d, a, b, x(0), 13);
    RIPEMD_H(b, c, d, a, x(6), 6);
    RIPEMD_H(a, b, c, d, x(11), 12);
    RIPEMD_H(d, a, b, c, x(13), 5);
    RIPEMD_H(c, d, a, b, x(5), 7);
    RIPEMD_H(b, c, d, a, x(12), 5);
    // Combine the two lines with the old chaining words, rotated by one position.
    const std::uint32_t t = s[1] + cl + dr;
    s[1] = s[2] + dl + ar;
    s[2] = s[3] + al + br;
    s[3] = s[0] + bl + cr;
    s[0] = t;
}

#undef RIPEMD_STEP
#undef RIPEMD_FF
#undef RIPEMD_GG
#undef RIPEMD_HH
#undef RIPEMD_F
#undef RIPEMD_G
#undef RIPEMD_H

}  // namespace

void RipemdCompress(std::uint32_t* state, const std::uint32_t* block, const std::uint8_t* data,
                    std::size_t count) {
    CompressLittleEndianRun<4>(state, block, data, count,
                               [](std::uint32_t* s, auto words) { RipemdBlock(s, words); });
}

}  // namespace vkt::crypto
