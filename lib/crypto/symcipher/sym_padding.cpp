// Padding of the final block: paddings 3 and 4 on enciphering, their removal on deciphering.
#include "crypto/symcipher/sym_padding.h"

#include <cstring>

#include "crypto/crypto.h"

namespace vkt::crypto {

void SymPadBlock(std::uint8_t block[8], const std::uint8_t* rest, std::size_t count,
                 std::int32_t padding) {
    auto n = static_cast<std::uint8_t>(8 - count);
    std::memcpy(block, rest, count);
    std::memset(block + count, padding == kPadPkcs ? n : 0xFF, n);
    block[7] = n;
}

int SymPaddingCount(const std::uint8_t block[8]) {
    int n = block[7];
    return n >= 1 && n <= 8 ? n : 0;
}

}  // namespace vkt::crypto
