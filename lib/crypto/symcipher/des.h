// DES (FIPS 46) and triple DES in encrypt-decrypt-encrypt form, one 64-bit block at a time.
//
// A block is a 64-bit value whose most significant byte is the first byte of the block (bytes
// big-endian), so key bit 1 and block bit 1 are the most significant bits of byte 0.
#pragma once

#include <cstdint>

namespace vkt::crypto {

// The 16 round keys of one DES key in the form the rounds use: round i is the pair
// words[2i], words[2i+1]; the first word holds the 6-bit key pieces of S-boxes 1, 3, 5, 7 and
// the second those of S-boxes 2, 4, 6, 8, one piece in the low 6 bits of each byte, S-box 1
// (or 2) in the top byte.
struct DesSchedule {
    std::uint32_t words[32];
};

// Builds the round keys of an 8-byte key (parity bits are ignored).
void DesKeySchedule(DesSchedule& schedule, const std::uint8_t key[8]);

std::uint64_t DesEncryptBlock(const DesSchedule& schedule, std::uint64_t block);
std::uint64_t DesDecryptBlock(const DesSchedule& schedule, std::uint64_t block);

// E(K3, D(K2, E(K1, block))) and D(K1, E(K2, D(K3, block))) with schedules K1, K2, K3.
std::uint64_t Des3EncryptBlock(const DesSchedule schedules[3], std::uint64_t block);
std::uint64_t Des3DecryptBlock(const DesSchedule schedules[3], std::uint64_t block);

}  // namespace vkt::crypto
