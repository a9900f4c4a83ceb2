// The least a request of a file can cost at the receiving end: OpenSSL opening every sealed
// block (two-key triple DES in CBC, each block with its own vector) and MD5 over the
// plaintexts, with the blocks already in memory. Nothing of the network or the files.
#pragma once

#include <chrono>
#include <cstdint>

namespace vkt::bench {

// Best of runs; zero when OpenSSL fails.
std::chrono::nanoseconds RequestCryptoBound(std::uint64_t dataSize, int runs);

}  // namespace vkt::bench
