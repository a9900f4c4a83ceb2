// Zeroing memory in a way the compiler may not remove as a dead store (key material about to
// be freed or to go out of scope): explicit_bzero on Linux, SecureZeroMemory on Windows.
//
// Part of the base objects (no dependency on the rest of the library). Threads: any thread.
#pragma once

#include <cstddef>

namespace vkt::platform {

void SecureWipe(void* memory, std::size_t size);

}  // namespace vkt::platform
