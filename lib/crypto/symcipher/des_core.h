// The inner machinery shared by DES and triple DES: combined S-box/P tables, the initial and
// final permutations as bit swaps, and the sixteen rounds.
//
// Inside the rounds each half L, R is kept rotated left by one bit. In that form the six
// E-expanded input bits of S-boxes 2, 4, 6, 8 sit in bits 29-24, 21-16, 13-8, 5-0 of R, and
// those of S-boxes 1, 3, 5, 7 in the same bits of R rotated right by 4, so one XOR with a
// prepared round-key word and four byte-indexed look-ups handle four S-boxes.
#pragma once

#include <array>
#include <cstdint>

#include "crypto/symcipher/des.h"

namespace vkt::crypto {

// kDesSp[j][x]: P applied to the output of S-box j+1 for the 6-bit input x (bit 5 of x is the
// first input bit), placed at its position in the 32-bit word and rotated left by one bit.
using DesSpTables = std::array<std::array<std::uint32_t, 64>, 8>;
extern const DesSpTables kDesSp;

inline std::uint32_t DesRotl(std::uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}
inline std::uint32_t DesRotr(std::uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

// Exchanges the bits of b selected by mask with the bits of a selected by mask << shift.
inline void DesSwapBits(std::uint32_t& a, std::uint32_t& b, int shift, std::uint32_t mask) {
    std::uint32_t t = ((a >> shift) ^ b) & mask;
    b ^= t;
    a ^= t << shift;
}

// (l, r) = the block's high and low words in, the halves L0, R0 after IP (each rotated left
// by one bit) out.
inline void DesInitialPermutation(std::uint32_t& l, std::uint32_t& r) {
    DesSwapBits(l, r, 4, 0x0f0f0f0fu);
    DesSwapBits(l, r, 16, 0x0000ffffu);
    DesSwapBits(r, l, 2, 0x33333333u);
    DesSwapBits(r, l, 8, 0x00ff00ffu);
    r = DesRotl(r, 1);
    std::uint32_t t = (l ^ r) & 0xaaaaaaaau;
    l ^= t;
    r ^= t;
    l = DesRotl(l, 1);
}

// The inverse of DesInitialPermutation: the rotated halves in, the block's words out.
inline void DesFinalPermutation(std::uint32_t& l, std::uint32_t& r) {
    l = DesRotr(l, 1);
    std::uint32_t t = (l ^ r) & 0xaaaaaaaau;
    l ^= t;
    r ^= t;
    r = DesRotr(r, 1);
    DesSwapBits(r, l, 8, 0x00ff00ffu);
    DesSwapBits(r, l, 2, 0x33333333u);
    DesSwapBits(l, r, 16, 0x0000ffffu);
    DesSwapBits(l, r, 4, 0x0f0f0f0fu);
}

// f(R, K) for the rotated R and the two round-key words k[0], k[1].
inline std::uint32_t DesRoundFunction(std::uint32_t r, const std::uint32_t* k) {
    std::uint32_t a = DesRotr(r, 4) ^ k[0];
    std::uint32_t b = r ^ k[1];
    return kDesSp[0][(a >> 24) & 0x3f] | kDesSp[2][(a >> 16) & 0x3f] | kDesSp[4][(a >> 8) & 0x3f] |
           kDesSp[6][a & 0x3f] | kDesSp[1][(b >> 24) & 0x3f] | kDesSp[3][(b >> 16) & 0x3f] |
           kDesSp[5][(b >> 8) & 0x3f] | kDesSp[7][b & 0x3f];
}

// Sixteen rounds on (L0, R0); leaves (R16, L16), the pre-output that the final permutation
// takes and that the next pass of triple DES starts from. kDecipher runs the round keys in
// reverse order.
template <bool kDecipher>
inline void DesRounds(std::uint32_t& l, std::uint32_t& r, const DesSchedule& schedule) {
    const std::uint32_t* k = schedule.words;
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) {
        if constexpr (kDecipher) {
            l ^= DesRoundFunction(r, k + 30 - 4 * i);
            r ^= DesRoundFunction(l, k + 28 - 4 * i);
        } else {
            l ^= DesRoundFunction(r, k + 4 * i);
            r ^= DesRoundFunction(l, k + 4 * i + 2);
        }
    }
    std::uint32_t t = l;
    l = r;
    r = t;
}

}  // namespace vkt::crypto
