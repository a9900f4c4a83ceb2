// The time a send spends in the pauses the protocol prescribes, with nothing else counted:
// 25 ms after each file block, and between the pieces of a frame larger than the line's
// block size the time those bytes take on the line (2 ms when no line rate is set).
#pragma once

#include <chrono>
#include <cstdint>

namespace vkt::bench {

std::chrono::nanoseconds SendPacingCeiling(std::uint64_t dataSize, std::int32_t blockSize,
                                           std::int32_t lineRate);

}  // namespace vkt::bench
