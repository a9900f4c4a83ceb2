// MD4 (RFC 1320): three rounds of sixteen steps over little-endian words.
#include <bit>

#include "crypto/core/alloc.h"
#include "crypto/hash/hash_algorithms.h"
#include "crypto/hash/hash_words.h"

namespace vkt::crypto {
namespace {

// One step: a = (a + f(b, c, d) + word + k) <<< s, with k = 0, 0x5A827999, 0x6ED9EBA1.
#define MD4_F(a, b, c, d, w, s) a = std::rotl(a + (w) + ((d) ^ ((b) & ((c) ^ (d)))), s)
#define MD4_G(a, b, c, d, w, s) \
    a = std::rotl(a + (w) + 0x5A827999u + (((b) & (c)) | (((b) | (c)) & (d))), s)
#define MD4_H(a, b, c, d, w, s) a = std::rotl(a + (w) + 0x6ED9EBA1u + ((b) ^ (c) ^ (d)), s)

template <typename Words>
inline void Md4Block(std::uint32_t* s, Words x) {
    std::uint32_t a = s[0], b = s[1], c = s[2], d = s[3];
    // Round 1.
    MD4_F(a, b, c, d, x(0), 3);
    MD4_F(d, a, b, c, x(1), 7);
    MD4_F(c, d, a, b, x(2), 11);
    MD4_F(b, c, d, a, x(3), 19);
    MD4_F(a, b, c, d, x(4), 3);
    MD4_F(d, a, b, c, x(5), 7);
    MD4_F(c, d, a, b, x(6), 11);
    MD4_F(b, c, d, a, x(7), 19);
    MD4_F(a, b, c, d, x(8), 3);
    MD4_F(d, a, b, c, x(9), 7);
    MD4_F(c, d, a, b, x(10), 11);
    MD4_F(b, c, d, a, x(11), 19);
    MD4_F(a, b, c, d, x(12), 3);
    MD4_F(d, a, b, c, x(13), 7);
    MD4_F(c, d, a, b, x(14), 11);
    MD4_F(b, c, d, a, x(15), 19);
    // Round 2.
    MD4_G(a, b, c, d, x(0), 3);
    MD4_G(d, a, b, c, x(4), 5);
    MD4_G(c, d, a, b, x(8), 9);
    MD4_G(b, c, d, a, x(12), 13);
    MD4_G(a, b, c, d, x(1), 3);
    MD4_G(d, a, b, c, x(5), 5);
    MD4_G(c, d, a, b, x(9), 9);
    MD4_G(b, c, d, a, x(13), 13);
    MD4_G(a, b, c, d, x(2), 3);
    MD4_G(d, a, b, c, x(6), 5);
    MD4_G(c, d, a, b, x(10), 9);
    MD4_G(b, c, d, a, x(14), 13);
    MD4_G(a, b, c, d, x(3), 3);
    MD4_G(d, a, b, c, x(7), 5);
    MD4_G(c, d, a, b, x(11), 9);
    MD4_G(b, c, d, a, x(15), 13);
    // Round 3.
    MD4_H(a, b, c, d, x(0), 3);
    MD4_H(d, a, b, c, x(8), 9);
    MD4_H(c, d, a, b, x(4), 11);
    MD4_H(b, c, d, a, x(12), 15);
    MD4_H(a, b, c, d, x(2), 3);
    MD4_H(d, a, b, c, x(10), 9);
    MD4_H(c, d, a, b, x(6), 11);
    MD4_H(b, c, d, a, x(14), 15);
    MD4_H(a, b, c, d, x(1), 3);
    MD4_H(d, a, b, c, x(9), 9);
    MD4_H(c, d, a, b, x(5), 11);
    MD4_H(b, c, d, a, x(13), 15);
    MD4_H(a, b, c, d, x(3), 3);
    MD4_H(d, a, b, c, x(11), 9);
    MD4_H(c, d, a, b, x(7), 11);
    MD4_H(b, c, d, a, x(15), 15);
    s[0] += a;
    s[1] += b;
    s[2] += c;
    s[3] += d;
}

#undef MD4_F
#undef MD4_G
#undef MD4_H

}  // namespace

void Md4Compress(std::uint32_t* state, const std::uint32_t* block, const std::uint8_t* data,
                 std::size_t count) {
    CompressLittleEndianRun<4>(state, block, data, count,
                               [](std::uint32_t* s, auto words) { Md4Block(s, words); });
}

}  // namespace vkt::crypto
