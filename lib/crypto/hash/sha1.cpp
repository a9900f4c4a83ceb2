// SHA-1 (FIPS 180-1), portable path: used where the processor has no SHA instructions.
#include "crypto/hash/hash_algorithms.h"
#include "crypto/hash/sha_block.h"

namespace vkt::crypto {

void Sha1CompressPortable(std::uint32_t* state, const std::uint32_t* block,
                          const std::uint8_t* data, std::size_t count) {
    ShaCompress<true>(state, block, data, count);
}

}  // namespace vkt::crypto
