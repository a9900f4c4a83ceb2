// Services shared by the areas of the cryptographic layer: the layer lock with start-up, and
// the handle table through which objects are handed out.
#pragma once

#include <cstdint>

#include "crypto/crypto.h"

namespace vkt::crypto {

// Holds the process-wide (recursive) lock of the layer for its scope and runs the layer's
// start-up on first use: handle table, random generator seeded from the system's entropy.
// Every public Crypto* operation begins with one.
class LayerGuard {
  public:
    LayerGuard();
    ~LayerGuard();
    LayerGuard(const LayerGuard&) = delete;
    LayerGuard& operator=(const LayerGuard&) = delete;
};

// Handle types (bits of the type mask).
enum : std::uint32_t {
    kTypeDigest = 1,
    kTypeSymKey = 2,
    kTypeRsaPublic = 4,
    kTypeRsaPrivate = 8,
    kTypeSignature = 16,
    kTypeEnvelope = 32,
    kTypeRsaKey = kTypeRsaPublic | kTypeRsaPrivate,
    kTypeRsaBlock = kTypeSignature | kTypeEnvelope,
};

// A handle is (r << 8) | index with r random and the shifted part never 0, so a handle is
// never 0, names its table entry in its low byte, and a stale handle of a reused entry fails.
Handle CryptoHandleNew();  // 0 when the table is full
void CryptoHandleAttach(Handle handle, void* object, std::uint32_t type);
void* CryptoHandleLookup(Handle handle, std::uint32_t typeMask);
// Clears the entry and returns the object (the caller frees it), or null when no match.
void* CryptoHandleRelease(Handle handle, std::uint32_t typeMask);
// Type bits of a live handle, 0 when the handle matches no entry.
std::uint32_t CryptoHandleType(Handle handle);

}  // namespace vkt::crypto
