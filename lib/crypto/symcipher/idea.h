// IDEA: 64-bit blocks as four 16-bit words (most significant byte first), 128-bit keys.
#pragma once

#include <cstdint>

namespace vkt::crypto {

// 52 enciphering sub-keys from successive 25-bit left rotations of the key, and the 52
// deciphering sub-keys derived from them (multiplicative and additive inverses, in reverse
// round order).
struct IdeaSchedule {
    std::uint16_t encrypt[52];
    std::uint16_t decrypt[52];
};

void IdeaKeySchedule(IdeaSchedule& schedule, const std::uint8_t key[16]);

// One block through the eight rounds and the output transformation with the given sub-keys
// (schedule.encrypt to encipher, schedule.decrypt to decipher). Block bytes big-endian.
std::uint64_t IdeaCryptBlock(const std::uint16_t subkeys[52], std::uint64_t block);

}  // namespace vkt::crypto
