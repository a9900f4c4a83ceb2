// Overwrites memory with zeros in a way the compiler keeps even when the memory is not read
// again: explicit_bzero on Linux, SecureZeroMemory on Windows.
#pragma once

#include <cstddef>

namespace vkt::tools {

void WipeMemory(void* bytes, std::size_t size);

}  // namespace vkt::tools
