#include "transfer/transfer_sizes.h"

#include <algorithm>

namespace vkt::bench {

std::vector<std::uint32_t> BlockPlaintexts(std::uint64_t dataSize) {
    std::vector<std::uint32_t> blocks;
    std::uint64_t done = 0;
    do {
        const auto data =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(kFileBlock, dataSize - done));
        blocks.push_back(data + (done == 0 ? kSizePrefix : 0));
        done += data;
    } while (done < dataSize);
    return blocks;
}

std::uint32_t SealedSize(std::uint32_t plaintext) {
    return 8 + (plaintext / 8 + 1) * 8;
}

std::uint32_t FrameSize(std::uint32_t data) {
    return 8 + data + 1;
}

}  // namespace vkt::bench
