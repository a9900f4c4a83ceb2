// Padding of the final block.
//   3: n = 8 - (length mod 8) bytes of value n            ... 05 05 05 05 05
//   4: n - 1 bytes 0xFF, then one byte of value n         ... FF FF FF FF 05
// n is 1 to 8: a length that is a multiple of 8 gets a whole block of padding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vkt::crypto {

// Builds the final block from the count (< 8) remaining data bytes and the padding.
void SymPadBlock(std::uint8_t block[8], const std::uint8_t* rest, std::size_t count,
                 std::int32_t padding);

// Number of padding bytes that a deciphered final block ends in: its last byte, 1 to 8, or 0
// when that byte is 0 or above 8 and so names no padding. The other padding bytes are not
// checked, so paddings 3 and 4 are removed alike.
int SymPaddingCount(const std::uint8_t block[8]);

}  // namespace vkt::crypto
