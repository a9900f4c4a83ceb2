#include "crypto/core/alloc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/secure_wipe.h"

namespace vkt::crypto {
namespace {

// Header in front of every block: the usable size, padded to keep the caller's bytes aligned
// for any type. At least 16 bytes: 32-bit Windows aligns max_align_t (and its heap blocks) to 8
// only, and the header stays the same 16 bytes there as on the 64-bit targets.
struct alignas(std::max_align_t) alignas(16) BlockHeader {
    std::size_t usable;
};
constexpr std::size_t kHeader = sizeof(BlockHeader);
static_assert(kHeader == 16);

[[noreturn]] void OutOfMemory() {
    std::fputs("QUELMOR: Falta de Memoria\n", stderr);
    std::fflush(stderr);
    std::exit(1);
}

BlockHeader* HeaderOf(const void* block) {
    return reinterpret_cast<BlockHeader*>(static_cast<unsigned char*>(const_cast<void*>(block)) -
                                          kHeader);
}

}  // namespace

void CryptoWipe(void* memory, std::size_t size) {
    if (memory != nullptr && size != 0) platform::SecureWipe(memory, size);
}

void* CryptoAlloc(std::size_t size) {
    if (size > SIZE_MAX - kHeader) OutOfMemory();
    void* raw = std::calloc(1, size + kHeader);
    if (raw == nullptr) OutOfMemory();
    auto* header = static_cast<BlockHeader*>(raw);
    header->usable = size;
    return static_cast<unsigned char*>(raw) + kHeader;
}

std::size_t CryptoBlockSize(const void* block) {
    return block == nullptr ? 0 : HeaderOf(block)->usable;
}

void CryptoFree(void* block) {
    if (block == nullptr) return;
    BlockHeader* header = HeaderOf(block);
    CryptoWipe(header, header->usable + kHeader);
    std::free(header);
}

void* CryptoRealloc(void* block, std::size_t size) {
    if (block == nullptr) return CryptoAlloc(size);
    std::size_t usable = CryptoBlockSize(block);
    if (usable >= size) return block;
    void* grown = CryptoAlloc(size);
    std::memcpy(grown, block, usable);
    CryptoFree(block);
    return grown;
}

}  // namespace vkt::crypto
