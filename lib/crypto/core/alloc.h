// The wiping allocator: every object and buffer of the cryptographic layer comes from here.
//
// Blocks are zero-filled when handed out and overwritten with zeros (header included) when
// given back, so no key material, password digest or plaintext stays behind in freed memory.
// Exhaustion is fatal: "Falta de Memoria" with the caption "QUELMOR" goes to standard error and
// the process ends with status 1; these functions never return a failure.
//
// Layout: a 16-byte header that holds the usable size, then the caller's bytes. (A 4-byte
// header would misalign the 64-bit words that the integer package keeps in its blocks.)
#pragma once

#include <cstddef>
#include <cstdint>

namespace vkt::crypto {

void* CryptoAlloc(std::size_t size);
void CryptoFree(void* block);  // a null block is ignored
void* CryptoRealloc(void* block, std::size_t size);
std::size_t CryptoBlockSize(const void* block);  // usable size of a block

// Overwrites memory with zeros in a way the compiler cannot remove.
void CryptoWipe(void* memory, std::size_t size);

// Wipes an object on the stack when the scope ends (keys, digests, keystream blocks).
template <typename T>
class WipeOnExit {
  public:
    explicit WipeOnExit(T& object) : object_(object) {}
    ~WipeOnExit() { CryptoWipe(&object_, sizeof(T)); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

  private:
    T& object_;
};

}  // namespace vkt::crypto
