// The shapes of a file transfer on the wire: the plaintext of each file block (the first one
// starts with the 10-digit size prefix), the sealed block (8-byte vector + triple DES in CBC
// with PKCS padding) and the frame around it.
#pragma once

#include <cstdint>
#include <vector>

namespace vkt::bench {

constexpr std::uint32_t kFileBlock = 8192;  // data bytes per block
constexpr std::uint32_t kSizePrefix = 10;

// Plaintext sizes of the blocks that carry dataSize bytes, in order.
std::vector<std::uint32_t> BlockPlaintexts(std::uint64_t dataSize);
std::uint32_t SealedSize(std::uint32_t plaintext);
std::uint32_t FrameSize(std::uint32_t data);  // header, data, end mark

}  // namespace vkt::bench
