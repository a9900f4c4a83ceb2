// Triple DES, encrypt-decrypt-encrypt. The final permutation of one pass and the initial
// permutation of the next cancel, so each block is permuted once on entry and once on exit
// around the 48 rounds.
#include <cstdint>

#include "crypto/symcipher/des.h"
#include "crypto/symcipher/des_core.h"

namespace vkt::crypto {

std::uint64_t Des3EncryptBlock(const DesSchedule schedules[3], std::uint64_t block) {
    std::uint32_t l = static_cast<std::uint32_t>(block >> 32);
    std::uint32_t r = static_cast<std::uint32_t>(block);
    DesInitialPermutation(l, r);
    DesRounds<false>(l, r, schedules[0]);
    DesRounds<true>(l, r, schedules[1]);
    DesRounds<false>(l, r, schedules[2]);
    DesFinalPermutation(l, r);
    return (std::uint64_t{l} << 32) | r;
}

std::uint64_t Des3DecryptBlock(const DesSchedule schedules[3], std::uint64_t block) {
    std::uint32_t l = static_cast<std::uint32_t>(block >> 32);
    std::uint32_t r = static_cast<std::uint32_t>(block);
    DesInitialPermutation(l, r);
    DesRounds<true>(l, r, schedules[2]);
    DesRounds<false>(l, r, schedules[1]);
    DesRounds<true>(l, r, schedules[0]);
    DesFinalPermutation(l, r);
    return (std::uint64_t{l} << 32) | r;
}

}  // namespace vkt::crypto
