// RIPEMD-160: two parallel lines of five rounds of sixteen steps over little-endian words.
#include <bit>

#include "crypto/core/alloc.h"
#include "crypto/hash/hash_algorithms.h"
#include "crypto/hash/hash_words.h"

namespace vkt::crypto {
namespace {

// The five round functions; the left line uses them in the order 1 to 5, the right line
// in the order 5 to 1.
#define RMD160_F1(x, y, z) ((x) ^ (y) ^ (z))
#define RMD160_F2(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define RMD160_F3(x, y, z) (((x) | ~(y)) ^ (z))
#define RMD160_F4(x, y, z) ((y) ^ ((z) & ((x) ^ (y))))
#define RMD160_F5(x, y, z) ((x) ^ ((y) | ~(z)))

// One step: a = ((a + f(b, c, d) + word + k) <<< s) + e; c = c <<< 10.
#define RMD160_STEP(f, a, b, c, d, e, w, k, s)          \
    a = std::rotl(a + f(b, c, d) + (w) + (k), s) + (e); \
    c = std::rotl(c, 10)

template <typename Words>
inline void Ripemd160Block(std::uint32_t* s, Words x) {
    std::uint32_t al = s[0], bl = s[1], cl = s[2], dl = s[3], el = s[4];
    std::uint32_t ar = al, br = bl, cr = cl, dr = dl, er = el;
    // Left line, rounds 1 to 5.
    RMD160_STEP(RMD160_F1, al, bl, cl, dl, el, x(0), 0x00000000u, 11);
    RMD160_STEP(RMD160_F1, el, al, bl, cl, dl, x(1), 0x00000000u, 14);
    RMD160_STEP(RMD160_F1, dl, el, al, bl, cl, x(2), 0x00000000u, 15);
    RMD160_STEP(RMD160_F1, cl, dl, el, al, bl, x(3), 0x00000000u, 12);
    RMD160_STEP(RMD160_F1, bl, cl, dl, el, al, x(4), 0x00000000u, 5);
    RMD160_STEP(RMD160_F1, al, bl, cl, dl, el, x(5), 0x00000000u, 8);
    RMD160_STEP(RMD160_F1, el, al, bl, cl, dl, x(6), 0x00000000u, 7);
    RMD160_STEP(RMD160_F1, dl, el, al, bl, cl, x(7), 0x00000000u, 9);
    RMD160_STEP(RMD160_F1, cl, dl, el, al, bl, x(8), 0x00000000u, 11);
    RMD160_STEP(RMD160_F1, bl, cl, dl, el, al, x(9), 0x00000000u, 13);
    RMD160_STEP(RMD160_F1, al, bl, cl, dl, el, x(10), 0x00000000u, 14);
    RMD160_STEP(RMD160_F1, el, al, bl, cl, dl, x(11), 0x00000000u, 15);
    RMD160_STEP(RMD160_F1, dl, el, al, bl, cl, x(12), 0x00000000u, 6);
    RMD160_STEP(RMD160_F1, cl, dl, el, al, bl, x(13), 0x00000000u, 7);
    RMD160_STEP(RMD160_F1, bl, cl, dl, el, al, x(14), 0x00000000u, 9);
    RMD160_STEP(RMD160_F1, al, bl, cl, dl, el, x(15), 0x00000000u, 8);
    RMD160_STEP(RMD160_F2, el, al, bl, cl, dl, x(7), 0x5A827999u, 7);
    RMD160_STEP(RMD160_F2, dl, el, al, bl, cl, x(4), 0x5A827999u, 6);
    RMD160_STEP(RMD160_F2, cl, dl, el, al, bl, x(13), 0x5A827999u, 8);
    RMD160_STEP(RMD160_F2, bl, cl, dl, el, al, x(1), 0x5A827999u, 13);
    RMD160_STEP(RMD160_F2, al, bl, cl, dl, el, x(10), 0x5A827999u, 11);
    RMD160_STEP(RMD160_F2, el, al, bl, cl, dl, x(6), 0x5A827999u, 9);
    RMD160_STEP(RMD160_F2, dl, el, al, bl, cl, x(15), 0x5A827999u, 7);
    RMD160_STEP(RMD160_F2, cl, dl, el, al, bl, x(3), 0x5A827999u, 15);
    RMD160_STEP(RMD160_F2, bl, cl, dl, el, al, x(12), 0x5A827999u, 7);
    RMD160_STEP(RMD160_F2, al, bl, cl, dl, el, x(0), 0x5A827999u, 12);
    RMD160_STEP(RMD160_F2, el, al, bl, cl, dl, x(9), 0x5A827999u, 15);
    RMD160_STEP(RMD160_F2, dl, el, al, bl, cl, x(5), 0x5A827999u, 9);
    RMD160_STEP(RMD160_F2, cl, dl, el, al, bl, x(2), 0x5A827999u, 11);
    RMD160_STEP(RMD160_F2, bl, cl, dl, el, al, x(14), 0x5A827999u, 7);
    RMD160_STEP(RMD160_F2, al, bl, cl, dl, el, x(11), 0x5A827999u, 13);
    RMD160_STEP(RMD160_F2, el, al, bl, cl, dl, x(8), 0x5A827999u, 12);
    RMD160_STEP(RMD160_F3, dl, el, al, bl, cl, x(3), 0x6ED9EBA1u, 11);
    RMD160_STEP(RMD160_F3, cl, dl, el, al, bl, x(10), 0x6ED9EBA1u, 13);
    RMD160_STEP(RMD160_F3, bl, cl, dl, el, al, x(14), 0x6ED9EBA1u, 6);
    RMD160_STEP(RMD160_F3, al, bl, cl, dl, el, x(4), 0x6ED9EBA1u, 7);
    RMD160_STEP(RMD160_F3, el, al, bl, cl, dl, x(9), 0x6ED9EBA1u, 14);
    RMD160_STEP(RMD160_F3, dl, el, al, bl, cl, x(15), 0x6ED9EBA1u, 9);
    RMD160_STEP(RMD160_F3, cl, dl, el, al, bl, x(8), 0x6ED9EBA1u, 13);
    RMD160_STEP(RMD160_F3, bl, cl, dl, el, al, x(1), 0x6ED9EBA1u, 15);
    RMD160_STEP(RMD160_F3, al, bl, cl, dl, el, x(2), 0x6ED9EBA1u, 14);
    RMD160_STEP(RMD160_F3, el, al, bl, cl, dl, x(7), 0x6ED9EBA1u, 8);
    RMD160_STEP(RMD160_F3, dl, el, al, bl, cl, x(0), 0x6ED9EBA1u, 13);
    RMD160_STEP(RMD160_F3, cl, dl, el, al, bl, x(6), 0x6ED9EBA1u, 6);
    RMD160_STEP(RMD160_F3, bl, cl, dl, el, al, x(13), 0x6ED9EBA1u, 5);
    RMD160_STEP(RMD160_F3, al, bl, cl, dl, el, x(11), 0x6ED9EBA1u, 12);
    RMD160_STEP(RMD160_F3, el, al, bl, cl, dl, x(5), 0x6ED9EBA1u, 7);
    RMD160_STEP(RMD160_F3, dl, el, al, bl, cl, x(12), 0x6ED9EBA1u, 5);
    RMD160_STEP(RMD160_F4, cl, dl, el, al, bl, x(1), 0x8F1BBCDCu, 11);
    RMD160_STEP(RMD160_F4, bl, cl, dl, el, al, x(9), 0x8F1BBCDCu, 12);
    RMD160_STEP(RMD160_F4, al, bl, cl, dl, el, x(11), 0x8F1BBCDCu, 14);
    RMD160_STEP(RMD160_F4, el, al, bl, cl, dl, x(10), 0x8F1BBCDCu, 15);
    RMD160_STEP(RMD160_F4, dl, el, al, bl, cl, x(0), 0x8F1BBCDCu, 14);
    RMD160_STEP(RMD160_F4, cl, dl, el, al, bl, x(8), 0x8F1BBCDCu, 15);
    RMD160_STEP(RMD160_F4, bl, cl, dl, el, al, x(12), 0x8F1BBCDCu, 9);
    RMD160_STEP(RMD160_F4, al, bl, cl, dl, el, x(4), 0x8F1BBCDCu, 8);
    RMD160_STEP(RMD160_F4, el, al, bl, cl, dl, x(13), 0x8F1BBCDCu, 9);
    RMD160_STEP(RMD160_F4, dl, el, al, bl, cl, x(3), 0x8F1BBCDCu, 14);
    RMD160_STEP(RMD160_F4, cl, dl, el, al, bl, x(7), 0x8F1BBCDCu, 5);
    RMD160_STEP(RMD160_F4, bl, cl, dl, el, al, x(15), 0x8F1BBCDCu, 6);
    RMD160_STEP(RMD160_F4, al, bl, cl, dl, el, x(14), 0x8F1BBCDCu, 8);
    RMD160_STEP(RMD160_F4, el, al, bl, cl, dl, x(5), 0x8F1BBCDCu, 6);
    RMD160_STEP(RMD160_F4, dl, el, al, bl, cl, x(6), 0x8F1BBCDCu, 5);
    RMD160_STEP(RMD160_F4, cl, dl, el, al, bl, x(2), 0x8F1BBCDCu, 12);
    RMD160_STEP(RMD160_F5, bl, cl, dl, el, al, x(4), 0xA953FD4Eu, 9);
    RMD160_STEP(RMD160_F5, al, bl, cl, dl, el, x(0), 0xA953FD4Eu, 15);
    RMD160_STEP(RMD160_F5, el, al, bl, cl, dl, x(5), 0xA953FD4Eu, 5);
    RMD160_STEP(RMD160_F5, dl, el, al, bl, cl, x(9), 0xA953FD4Eu, 11);
    RMD160_STEP(RMD160_F5, cl, dl, el, al, bl, x(7), 0xA953FD4Eu, 6);
    RMD160_STEP(RMD160_F5, bl, cl, dl, el, al, x(12), 0xA953FD4Eu, 8);
    RMD160_STEP(RMD160_F5, al, bl, cl, dl, el, x(2), 0xA953FD4Eu, 13);
    RMD160_STEP(RMD160_F5, el, al, bl, cl, dl, x(10), 0xA953FD4Eu, 12);
    RMD160_STEP(RMD160_F5, dl, el, al, bl, cl, x(14), 0xA953FD4Eu, 5);
    RMD160_STEP(RMD160_F5, cl, dl, el, al, bl, x(1), 0xA953FD4Eu, 12);
    RMD160_STEP(RMD160_F5, bl, cl, dl, el, al, x(3), 0xA953FD4Eu, 13);
    RMD160_STEP(RMD160_F5, al, bl, cl, dl, el, x(8), 0xA953FD4Eu, 14);
    RMD160_STEP(RMD160_F5, el, al, bl, cl, dl, x(11), 0xA953FD4Eu, 11);
    RMD160_STEP(RMD160_F5, dl, el, al, bl, cl, x(6), 0xA953FD4Eu, 8);
    RMD160_STEP(RMD160_F5, cl, dl, el, al, bl, x(15), 0xA953FD4Eu, 5);
    RMD160_STEP(RMD160_F5, bl, cl, dl, el, al, x(13), 0xA953FD4Eu, 6);
    // Right line, rounds 1 to 5.
    RMD160_STEP(RMD160_F5, ar, br, cr, dr, er, x(5), 0x50A28BE6u, 8);
    RMD160_STEP(RMD160_F5, er, ar, br, cr, dr, x(14), 0x50A28BE6u, 9);
    RMD160_STEP(RMD160_F5, dr, er, ar, br, cr, x(7), 0x50A28BE6u, 9);
    RMD160_STEP(RMD160_F5, cr, dr, er, ar, br, x(0), 0x50A28BE6u, 11);
    RMD160_STEP(RMD160_F5, br, cr, dr, er, ar, x(9), 0x50A28BE6u, 13);
    RMD160_STEP(RMD160_F5, ar, br, cr, dr, er, x(2), 0x50A28BE6u, 15);
    RMD160_STEP(RMD160_F5, er, ar, br, cr, dr, x(11), 0x50A28BE6u, 15);
    RMD160_STEP(RMD160_F5, dr, er, ar, br, cr, x(4), 0x50A28BE6u, 5);
    RMD160_STEP(RMD160_F5, cr, dr, er, ar, br, x(13), 0x50A28BE6u, 7);
    RMD160_STEP(RMD160_F5, br, cr, dr, er, ar, x(6), 0x50A28BE6u, 7);
    RMD160_STEP(RMD160_F5, ar, br, cr, dr, er, x(15), 0x50A28BE6u, 8);
    RMD160_STEP(RMD160_F5, er, ar, br, cr, dr, x(8), 0x50A28BE6u, 11);
    RMD160_STEP(RMD160_F5, dr, er, ar, br, cr, x(1), 0x50A28BE6u, 14);
    RMD160_STEP(RMD160_F5, cr, dr, er, ar, br, x(10), 0x50A28BE6u, 14);
    RMD160_STEP(RMD160_F5, br, cr, dr, er, ar, x(3), 0x50A28BE6u, 12);
    RMD160_STEP(RMD160_F5, ar, br, cr, dr, er, x(12), 0x50A28BE6u, 6);
    RMD160_STEP(RMD160_F4, er, ar, br, cr, dr, x(6), 0x5C4DD124u, 9);
    RMD160_STEP(RMD160_F4, dr, er, ar, br, cr, x(11), 0x5C4DD124u, 13);
    RMD160_STEP(RMD160_F4, cr, dr, er, ar, br, x(3), 0x5C4DD124u, 15);
    RMD160_STEP(RMD160_F4, br, cr, dr, er, ar, x(7), 0x5C4DD124u, 7);
    RMD160_STEP(RMD160_F4, ar, br, cr, dr, er, x(0), 0x5C4DD124u, 12);
    RMD160_STEP(RMD160_F4, er, ar, br, cr, dr, x(13), 0x5C4DD124u, 8);
    RMD160_STEP(RMD160_F4, dr, er, ar, br, cr, x(5), 0x5C4DD124u, 9);
    RMD160_STEP(RMD160_F4, cr, dr, er, ar, br, x(10), 0x5C4DD124u, 11);
    RMD160_STEP(RMD160_F4, br, cr, dr, er, ar, x(14), 0x5C4DD124u, 7);
    RMD160_STEP(RMD160_F4, ar, br, cr, dr, er, x(15), 0x5C4DD124u, 7);
    RMD160_STEP(RMD160_F4, er, ar, br, cr, dr, x(8), 0x5C4DD124u, 12);
    RMD160_STEP(RMD160_F4, dr, er, ar, br, cr, x(12), 0x5C4DD124u, 7);
    RMD160_STEP(RMD160_F4, cr, dr, er, ar, br, x(4), 0x5C4DD124u, 6);
    RMD160_STEP(RMD160_F4, br, cr, dr, er, ar, x(9), 0x5C4DD124u, 15);
    RMD160_STEP(RMD160_F4, ar, br, cr, dr, er, x(1), 0x5C4DD124u, 13);
    RMD160_STEP(RMD160_F4, er, ar, br, cr, dr, x(2), 0x5C4DD124u, 11);
    RMD160_STEP(RMD160_F3, dr, er, ar, br, cr, x(15), 0x6D703EF3u, 9);
    RMD160_STEP(RMD160_F3, cr, dr, er, ar, br, x(5), 0x6D703EF3u, 7);
    RMD160_STEP(RMD160_F3, br, cr, dr, er, ar, x(1), 0x6D703EF3u, 15);
    RMD160_STEP(RMD160_F3, ar, br, cr, dr, er, x(3), 0x6D703EF3u, 11);
    RMD160_STEP(RMD160_F3, er, ar, br, cr, dr, x(7), 0x6D703EF3u, 8);
    RMD160_STEP(RMD160_F3, dr, er, ar, br, cr, x(14), 0x6D703EF3u, 6);
    RMD160_STEP(RMD160_F3, cr, dr, er, ar, br, x(6), 0x6D703EF3u, 6);
    RMD160_STEP(RMD160_F3, br, cr, dr, er, ar, x(9), 0x6D703EF3u, 14);
    RMD160_STEP(RMD160_F3, ar, br, cr, dr, er, x(11), 0x6D703EF3u, 12);
    RMD160_STEP(RMD160_F3, er, ar, br, cr, dr, x(8), 0x6D703EF3u, 13);
    RMD160_STEP(RMD160_F3, dr, er, ar, br, cr, x(12), 0x6D703EF3u, 5);
    RMD160_STEP(RMD160_F3, cr, dr, er, ar, br, x(2), 0x6D703EF3u, 14);
    RMD160_STEP(RMD160_F3, br, cr, dr, er, ar, x(10), 0x6D703EF3u, 13);
    RMD160_STEP(RMD160_F3, ar, br, cr, dr, er, x(0), 0x6D703EF3u, 13);
    RMD160_STEP(RMD160_F3, er, ar, br, cr, dr, x(4), 0x6D703EF3u, 7);
    RMD160_STEP(RMD160_F3, dr, er, ar, br, cr, x(13), 0x6D703EF3u, 5);
    RMD160_STEP(RMD160_F2, cr, dr, er, ar, br, x(8), 0x7A6D76E9u, 15);
    RMD160_STEP(RMD160_F2, br, cr, dr, er, ar, x(6), 0x7A6D76E9u, 5);
    RMD160_STEP(RMD160_F2, ar, br, cr, dr, er, x(4), 0x7A6D76E9u, 8);
    RMD160_STEP(RMD160_F2, er, ar, br, cr, dr, x(1), 0x7A6D76E9u, 11);
    RMD160_STEP(RMD160_F2, dr, er, ar, br, cr, x(3), 0x7A6D76E9u, 14);
    RMD160_STEP(RMD160_F2, cr, dr, er, ar, br, x(11), 0x7A6D76E9u, 14);
    RMD160_STEP(RMD160_F2, br, cr, dr, er, ar, x(15), 0x7A6D76E9u, 6);
    RMD160_STEP(RMD160_F2, ar, br, cr, dr, er, x(0), 0x7A6D76E9u, 14);
    RMD160_STEP(RMD160_F2, er, ar, br, cr, dr, x(5), 0x7A6D76E9u, 6);
    RMD160_STEP(RMD160_F2, dr, er, ar, br, cr, x(12), 0x7A6D76E9u, 9);
    RMD160_STEP(RMD160_F2, cr, dr, er, ar, br, x(2), 0x7A6D76E9u, 12);
    RMD160_STEP(RMD160_F2, br, cr, dr, er, ar, x(13), 0x7A6D76E9u, 9);
    RMD160_STEP(RMD160_F2, ar, br, cr, dr, er, x(9), 0x7A6D76E9u, 12);
    RMD160_STEP(RMD160_F2, er, ar, br, cr, dr, x(7), 0x7A6D76E9u, 5);
    RMD160_STEP(RMD160_F2, dr, er, ar, br, cr, x(10), 0x7A6D76E9u, 15);
    RMD160_STEP(RMD160_F2, cr, dr, er, ar, br, x(14), 0x7A6D76E9u, 8);
    RMD160_STEP(RMD160_F1, br, cr, dr, er, ar, x(12), 0x00000000u, 8);
    RMD160_STEP(RMD160_F1, ar, br, cr, dr, er, x(15), 0x00000000u, 5);
    RMD160_STEP(RMD160_F1, er, ar, br, cr, dr, x(10), 0x00000000u, 12);
    RMD160_STEP(RMD160_F1, dr, er, ar, br, cr, x(4), 0x00000000u, 9);
    RMD160_STEP(RMD160_F1, cr, dr, er, ar, br, x(1), 0x00000000u, 12);
    RMD160_STEP(RMD160_F1, br, cr, dr, er, ar, x(5), 0x00000000u, 5);
    RMD160_STEP(RMD160_F1, ar, br, cr, dr, er, x(8), 0x00000000u, 14);
    RMD160_STEP(RMD160_F1, er, ar, br, cr, dr, x(7), 0x00000000u, 6);
    RMD160_STEP(RMD160_F1, dr, er, ar, br, cr, x(6), 0x00000000u, 8);
    RMD160_STEP(RMD160_F1, cr, dr, er, ar, br, x(2), 0x00000000u, 13);
    RMD160_STEP(RMD160_F1, br, cr, dr, er, ar, x(13), 0x00000000u, 6);
    RMD160_STEP(RMD160_F1, ar, br, cr, dr, er, x(14), 0x00000000u, 5);
    RMD160_STEP(RMD160_F1, er, ar, br, cr, dr, x(0), 0x00000000u, 15);
    RMD160_STEP(RMD160_F1, dr, er, ar, br, cr, x(3), 0x00000000u, 13);
    RMD160_STEP(RMD160_F1, cr, dr, er, ar, br, x(9), 0x00000000u, 11);
    RMD160_STEP(RMD160_F1, br, cr, dr, er, ar, x(11), 0x00000000u, 11);
    // Combine the two lines with the old chaining words, rotated by one position.
    const std::uint32_t t = s[1] + cl + dr;
    s[1] = s[2] + dl + er;
    s[2] = s[3] + el + ar;
    s[3] = s[4] + al + br;
    s[4] = s[0] + bl + cr;
    s[0] = t;
}

#undef RMD160_F1
#undef RMD160_F2
#undef RMD160_F3
#undef RMD160_F4
#undef RMD160_F5
#undef RMD160_STEP

}  // namespace

void Ripemd160Compress(std::uint32_t* state, const std::uint32_t* block, const std::uint8_t* data,
                       std::size_t count) {
    CompressLittleEndianRun<5>(state, block, data, count,
                               [](std::uint32_t* s, auto words) { Ripemd160Block(s, words); });
}

}  // namespace vkt::crypto
