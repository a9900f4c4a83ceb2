// Conversions between integers of the package (limbs of 30 bits, least significant first) and
// big-endian byte strings. Both walk the value once, carrying bits through a 64-bit
// accumulator that never holds more than 30 + 7 bits.
#include <cstdint>

#include "crypto/int/mp.h"
#include "crypto/rsa/rsa_key.h"

namespace vkt::crypto {

void RsaIntFromBytes(const std::uint8_t* bytes, std::size_t count, mp::MpInt* out) {
    std::size_t first = 0;
    while (first < count && bytes[first] == 0) ++first;
    const std::size_t significant = count - first;
    if (significant == 0) {
        mp::zero(out);
        return;
    }
    const auto limbs = static_cast<std::int32_t>((significant * 8 + mp::NBITS - 1) / mp::NBITS);
    mp::setlength(out, limbs);
    mp::MpInt value = *out;

    std::uint64_t carry = 0;  // bits not yet stored, below 2^(30 + 8)
    int carryBits = 0;
    std::int32_t used = 0;
    for (std::size_t i = count; i > first; --i) {
        carry |= static_cast<std::uint64_t>(bytes[i - 1]) << carryBits;
        carryBits += 8;
        if (carryBits >= mp::NBITS) {
            value[++used] = static_cast<std::int32_t>(carry & mp::RADIXM);
            carry >>= mp::NBITS;
            carryBits -= mp::NBITS;
        }
    }
    if (carryBits > 0) value[++used] = static_cast<std::int32_t>(carry);
    while (used > 1 && value[used] == 0) --used;
    value[0] = used;
}

bool RsaIntToBytes(mp::MpConst value, std::uint8_t* bytes, std::size_t count) {
    if (mp::sign(value) < 0 || static_cast<std::size_t>(mp::bitlength(value)) > count * 8) {
        return false;
    }
    std::size_t written = 0;  // bytes filled from the end
    if (value != nullptr) {
        std::uint64_t carry = 0;
        int carryBits = 0;
        for (std::int32_t i = 1; i <= value[0]; ++i) {
            carry |= static_cast<std::uint64_t>(value[i]) << carryBits;
            carryBits += mp::NBITS;
            while (carryBits >= 8 && written < count) {
                bytes[count - 1 - written++] = static_cast<std::uint8_t>(carry);
                carry >>= 8;
                carryBits -= 8;
            }
        }
        while (carryBits > 0 && written < count) {
            bytes[count - 1 - written++] = static_cast<std::uint8_t>(carry);
            carry >>= 8;
            carryBits -= 8;
        }
    }
    while (written < count) bytes[count - 1 - written++] = 0;
    return true;
}

}  // namespace vkt::crypto
