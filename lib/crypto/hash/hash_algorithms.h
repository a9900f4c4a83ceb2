// The routines behind each digest identifier, and the choice between the two SHA-1 paths.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vkt::crypto {

// Word loaders (HashLoadFn).
void HashLoadLittleEndian(std::uint32_t* words, const std::uint8_t* bytes, std::size_t count);
void HashLoadBigEndian(std::uint32_t* words, const std::uint8_t* bytes, std::size_t count);

// Compression routines (HashCompressFn).
void Md4Compress(std::uint32_t* state, const std::uint32_t* block, const std::uint8_t* data,
                 std::size_t count);
void Md5Compress(std::uint32_t* state, const std::uint32_t* block, const std::uint8_t* data,
                 std::size_t count);
void Sha0Compress(std::uint32_t* state, const std::uint32_t* block, const std::uint8_t* data,
                  std::size_t count);
void Sha1CompressPortable(std::uint32_t* state, const std::uint32_t* block,
                          const std::uint8_t* data, std::size_t count);
// SHA-1 with the processor's SHA instructions; only valid where Sha1HardwareAvailable() holds.
// (Those instructions build in the one-bit rotation of the SHA-1 schedule, so SHA (304) has
// no such path.)
void Sha1CompressHardware(std::uint32_t* state, const std::uint32_t* block,
                          const std::uint8_t* data, std::size_t count);
void RipemdCompress(std::uint32_t* state, const std::uint32_t* block, const std::uint8_t* data,
                    std::size_t count);
void Ripemd160Compress(std::uint32_t* state, const std::uint32_t* block, const std::uint8_t* data,
                       std::size_t count);

// True when the processor has the SHA and SSE4.1 instructions.
bool Sha1HardwareAvailable();

// The SHA-1 routine that new contexts get: the hardware one when available, unless the
// portable one has been forced (tests use this to cover both paths on one machine).
using Sha1CompressFn = void (*)(std::uint32_t*, const std::uint32_t*, const std::uint8_t*,
                                std::size_t);
Sha1CompressFn Sha1SelectCompress();
void Sha1ForcePortable(bool force);

}  // namespace vkt::crypto
