// Single DES: initial permutation, sixteen rounds, final permutation.
#include "crypto/symcipher/des.h"

#include <cstdint>

#include "crypto/symcipher/des_core.h"

namespace vkt::crypto {

std::uint64_t DesEncryptBlock(const DesSchedule& schedule, std::uint64_t block) {
    std::uint32_t l = static_cast<std::uint32_t>(block >> 32);
    std::uint32_t r = static_cast<std::uint32_t>(block);
    DesInitialPermutation(l, r);
    DesRounds<false>(l, r, schedule);
    DesFinalPermutation(l, r);
    return (std::uint64_t{l} << 32) | r;
}

std::uint64_t DesDecryptBlock(const DesSchedule& schedule, std::uint64_t block) {
    std::uint32_t l = static_cast<std::uint32_t>(block >> 32);
    std::uint32_t r = static_cast<std::uint32_t>(block);
    DesInitialPermutation(l, r);
    DesRounds<true>(l, r, schedule);
    DesFinalPermutation(l, r);
    return (std::uint64_t{l} << 32) | r;
}

}  // namespace vkt::crypto
