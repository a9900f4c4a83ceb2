// IDEA: eight rounds of multiplication modulo 2^16 + 1, addition modulo 2^16 and XOR, then
// the output transformation. A 16-bit word 0 stands for 2^16 in the multiplications.
#include "crypto/symcipher/idea.h"

#include <cstdint>

namespace vkt::crypto {
namespace {

// a * b modulo 2^16 + 1.
std::uint16_t Multiply(std::uint32_t a, std::uint32_t b) {
    if (a == 0) return static_cast<std::uint16_t>(1 - b);  // 2^16 = -1: (-1) * b = 1 - b
    if (b == 0) return static_cast<std::uint16_t>(1 - a);
    std::uint32_t product = a * b;
    std::uint32_t low = product & 0xffff;
    std::uint32_t high = product >> 16;
    // product = high * 2^16 + low = low - high (mod 2^16 + 1)
    return static_cast<std::uint16_t>(low - high + (low < high ? 1 : 0));
}

// Multiplicative inverse modulo 2^16 + 1 as x^(2^16 - 1); 0 (2^16 = -1) is its own inverse.
std::uint16_t Inverse(std::uint16_t x) {
    std::uint32_t base = x == 0 ? 0x10000u : x;
    std::uint32_t result = 1;
    for (std::uint32_t e = 0xffffu; e != 0; e >>= 1) {
        if (e & 1) result = static_cast<std::uint32_t>(std::uint64_t{result} * base % 0x10001u);
        base = static_cast<std::uint32_t>(std::uint64_t{base} * base % 0x10001u);
    }
    return static_cast<std::uint16_t>(result);  // 0x10000 becomes 0
}

std::uint16_t Negate(std::uint16_t x) {
    return static_cast<std::uint16_t>(0x10000u - x);
}

}  // namespace

void IdeaKeySchedule(IdeaSchedule& schedule, const std::uint8_t key[16]) {
    // Sub-keys 8n .. 8n + 7 are the key rotated left by 25 n bits, as eight big-endian words.
    std::uint16_t* z = schedule.encrypt;
    for (int i = 0; i < 8; ++i)
        z[i] = static_cast<std::uint16_t>((key[2 * i] << 8) | key[2 * i + 1]);
    for (int i = 8; i < 52; ++i) {
        // Rotating by 25 bits: word j of a group is the low 7 bits of word j + 1 and the high
        // 9 bits of word j + 2 of the previous group (indices mod 8).
        int base = i - (i % 8) - 8;
        int j = i % 8;
        std::uint16_t a = z[base + (j + 1) % 8];
        std::uint16_t b = z[base + (j + 2) % 8];
        z[i] = static_cast<std::uint16_t>((a << 9) | (b >> 7));
    }

    // Deciphering round r uses the keys of enciphering round 8 - r: inverted multipliers,
    // negated adders (exchanged in the middle rounds, where the data words were exchanged),
    // and the MA keys of enciphering round 7 - r.
    std::uint16_t* d = schedule.decrypt;
    for (int r = 0; r <= 8; ++r) {
        const std::uint16_t* k = z + 48 - 6 * r;
        bool outer = r == 0 || r == 8;
        d[6 * r] = Inverse(k[0]);
        d[6 * r + 1] = Negate(outer ? k[1] : k[2]);
        d[6 * r + 2] = Negate(outer ? k[2] : k[1]);
        d[6 * r + 3] = Inverse(k[3]);
        if (r < 8) {
            d[6 * r + 4] = k[-2];
            d[6 * r + 5] = k[-1];
        }
    }
}

std::uint64_t IdeaCryptBlock(const std::uint16_t subkeys[52], std::uint64_t block) {
    std::uint32_t x1 = static_cast<std::uint32_t>(block >> 48) & 0xffff;
    std::uint32_t x2 = static_cast<std::uint32_t>(block >> 32) & 0xffff;
    std::uint32_t x3 = static_cast<std::uint32_t>(block >> 16) & 0xffff;
    std::uint32_t x4 = static_cast<std::uint32_t>(block) & 0xffff;
    const std::uint16_t* k = subkeys;
    for (int round = 0; round < 8; ++round, k += 6) {
        x1 = Multiply(x1, k[0]);
        x2 = (x2 + k[1]) & 0xffff;
        x3 = (x3 + k[2]) & 0xffff;
        x4 = Multiply(x4, k[3]);
        std::uint32_t t1 = Multiply(x1 ^ x3, k[4]);
        std::uint32_t t2 = Multiply((t1 + (x2 ^ x4)) & 0xffff, k[5]);
        t1 = (t1 + t2) & 0xffff;
        x1 ^= t2;
        x4 ^= t1;
        std::uint32_t swap = x2 ^ t1;
        x2 = x3 ^ t2;
        x3 = swap;
    }
    // The output transformation undoes the exchange of the last round.
    std::uint64_t y1 = Multiply(x1, k[0]);
    std::uint64_t y2 = (x3 + k[1]) & 0xffff;
    std::uint64_t y3 = (x2 + k[2]) & 0xffff;
    std::uint64_t y4 = Multiply(x4, k[3]);
    return (y1 << 48) | (y2 << 32) | (y3 << 16) | y4;
}

}  // namespace vkt::crypto
