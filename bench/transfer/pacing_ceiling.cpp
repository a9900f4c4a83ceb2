#include "transfer/pacing_ceiling.h"

#include <algorithm>

#include "transfer/transfer_sizes.h"

namespace vkt::bench {

namespace {

constexpr std::chrono::milliseconds kBlockPause{25};
constexpr std::chrono::milliseconds kUnpacedPiecePause{2};

// The pauses between the pieces of one frame (none after the last piece).
std::chrono::milliseconds PiecePauses(std::uint32_t frame, std::int32_t blockSize,
                                      std::int32_t lineRate) {
    std::chrono::milliseconds total{0};
    const auto piece = static_cast<std::uint32_t>(blockSize);
    for (std::uint32_t sent = std::min(piece, frame); sent < frame;
         sent += std::min(piece, frame - sent)) {
        // The pause follows each piece but the last; every piece before the last is whole.
        total += lineRate > 0
                     ? std::chrono::milliseconds(static_cast<std::int64_t>(piece) * 8000 / lineRate)
                     : kUnpacedPiecePause;
    }
    return total;
}

}  // namespace

std::chrono::nanoseconds SendPacingCeiling(std::uint64_t dataSize, std::int32_t blockSize,
                                           std::int32_t lineRate) {
    std::chrono::nanoseconds total{0};
    for (const std::uint32_t plaintext : BlockPlaintexts(dataSize))
        total += kBlockPause + PiecePauses(FrameSize(SealedSize(plaintext)), blockSize, lineRate);
    return total;
}

}  // namespace vkt::bench
