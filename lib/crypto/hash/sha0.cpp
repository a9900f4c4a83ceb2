// SHA as first published (FIPS 180): the SHA-1 steps with a schedule that does not rotate.
#include "crypto/hash/hash_algorithms.h"
#include "crypto/hash/sha_block.h"

namespace vkt::crypto {

void Sha0Compress(std::uint32_t* state, const std::uint32_t* block, const std::uint8_t* data,
                  std::size_t count) {
    ShaCompress<false>(state, block, data, count);
}

}  // namespace vkt::crypto
