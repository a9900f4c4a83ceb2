// The operating system's random generator, which seeds the cryptographic layer's own.
//   Linux    getrandom(), blocking until the kernel's pool is initialised.
//   Windows  BCryptGenRandom with the system-preferred generator (bcrypt.dll).
//
// Part of the base objects (no dependency on the rest of the library). Threads: any thread.
#pragma once

#include <cstddef>

namespace vkt::platform {

// Fills buffer with up to size random bytes and returns how many it filled: fewer (down to 0)
// only when the system has no generator to give.
std::size_t FillSystemRandom(void* buffer, std::size_t size);

}  // namespace vkt::platform
