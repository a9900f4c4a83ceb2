// DES key schedule (FIPS 46): PC-1, the left shifts of C and D, PC-2, then each 48-bit round
// key regrouped into the two words that the rounds XOR with the rotated half.
#include <cstdint>

#include "crypto/core/alloc.h"
#include "crypto/symcipher/des.h"

namespace vkt::crypto {
namespace {

// PC-1: bit i of C||D (1 = first) is key bit kPc1[i - 1]; key bit 1 is the top bit of byte 0.
constexpr std::uint8_t kPc1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                                   10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                                   63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                                   14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

// PC-2: bit i of the round key is bit kPc2[i - 1] of C||D.
constexpr std::uint8_t kPc2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
                                   26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
                                   51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr std::uint8_t kShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

// Rotates a 28-bit half left.
std::uint32_t RotateHalf(std::uint32_t half, int n) {
    return ((half << n) | (half >> (28 - n))) & 0x0fffffffu;
}

}  // namespace

void DesKeySchedule(DesSchedule& schedule, const std::uint8_t key[8]) {
    // C||D as a 56-bit value, bit 1 the most significant.
    std::uint64_t cd = 0;
    for (int i = 0; i < 56; ++i) {
        int bit = kPc1[i] - 1;
        cd = (cd << 1) | ((key[bit / 8] >> (7 - bit % 8)) & 1u);
    }
    std::uint32_t c = static_cast<std::uint32_t>(cd >> 28);
    std::uint32_t d = static_cast<std::uint32_t>(cd & 0x0fffffffu);
    WipeOnExit wipeCd(cd);

    for (int round = 0; round < 16; ++round) {
        c = RotateHalf(c, kShifts[round]);
        d = RotateHalf(d, kShifts[round]);
        std::uint64_t joined = (std::uint64_t{c} << 28) | d;
        std::uint64_t roundKey = 0;  // 48 bits, bit 1 the most significant
        for (int i = 0; i < 48; ++i) {
            roundKey = (roundKey << 1) | ((joined >> (56 - kPc2[i])) & 1u);
        }
        // Piece j (S-box j + 1) is bits 6j + 1 .. 6j + 6 of the round key.
        std::uint32_t odd = 0;   // S-boxes 1, 3, 5, 7
        std::uint32_t even = 0;  // S-boxes 2, 4, 6, 8
        for (int j = 0; j < 8; ++j) {
            std::uint32_t piece = static_cast<std::uint32_t>(roundKey >> (42 - 6 * j)) & 0x3f;
            int shift = 24 - 8 * (j / 2);
            if (j % 2 == 0) {
                odd |= piece << shift;
            } else {
                even |= piece << shift;
            }
        }
        schedule.words[2 * round] = odd;
        schedule.words[2 * round + 1] = even;
        CryptoWipe(&joined, sizeof joined);
        CryptoWipe(&roundKey, sizeof roundKey);
    }
    CryptoWipe(&c, sizeof c);
    CryptoWipe(&d, sizeof d);
}

}  // namespace vkt::crypto
