// Loading and storing 8-byte blocks as 64-bit values, first byte most significant.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace vkt::crypto {

inline std::uint64_t LoadBlock(const std::uint8_t* bytes) {
    std::uint64_t value;
    std::memcpy(&value, bytes, 8);
    if constexpr (std::endian::native == std::endian::little) value = __builtin_bswap64(value);
    return value;
}

inline void StoreBlock(std::uint8_t* bytes, std::uint64_t value) {
    if constexpr (std::endian::native == std::endian::little) value = __builtin_bswap64(value);
    std::memcpy(bytes, &value, 8);
}

}  // namespace vkt::crypto
