// The layer lock, start-up on first use, and the handle table.
//
// The table has 256 entries of (handle value, type mask, object). It is allocated at start-up
// and lives until the process ends. The layer's inner state (this table, the random generator,
// the integer package's scratch) is not reentrant, so one recursive process-wide lock, taken by
// LayerGuard at the top of every public operation, serialises all calls into the layer; the
// lock is recursive because operations call one another (opening an envelope creates a key).
#include "crypto/core/layer.h"

#include <cstdint>
#include <mutex>

#include "crypto/core/alloc.h"
#include "crypto/core/random.h"
#include "platform/fork_hook.h"

namespace vkt::crypto {
namespace {

struct HandleEntry {
    std::uint32_t value;  // 0 = free
    std::uint32_t type;   // 0 = taken, no object attached yet
    void* object;
};
constexpr int kEntries = 256;

std::recursive_mutex& LayerMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

enum : int { kNotStarted = 1, kStarted = 2 };
int startState = kNotStarted;
HandleEntry* table = nullptr;
unsigned nextEntry = 0;
// Set in a child after fork(): a child that kept its parent's generator state would draw the
// same vectors and padding as the parent, so its next operation reseeds.
volatile bool reseedAfterFork = false;

void MarkChildForReseed() {
    reseedAfterFork = true;
}

void StartUp() {
    if (startState == kStarted) {
        if (reseedAfterFork) {
            reseedAfterFork = false;
            RandomSeedFromSystem();
        }
        return;
    }
    table = static_cast<HandleEntry*>(CryptoAlloc(sizeof(HandleEntry) * kEntries));
    startState = kStarted;  // before seeding: seeding itself runs layer operations
    platform::RunInChildAfterFork(MarkChildForReseed);
    RandomSeedFromSystem();
}

HandleEntry* Match(Handle handle, std::uint32_t typeMask) {
    if (handle == 0) return nullptr;
    HandleEntry& entry = table[handle & 0xFF];
    if (entry.value != handle || (entry.type & typeMask) == 0) return nullptr;
    return &entry;
}

}  // namespace

LayerGuard::LayerGuard() {
    LayerMutex().lock();
    StartUp();
}

LayerGuard::~LayerGuard() {
    LayerMutex().unlock();
}

Handle CryptoHandleNew() {
    LayerGuard guard;
    for (unsigned k = 0; k < kEntries; ++k) {
        const unsigned i = (nextEntry + k) % kEntries;
        if (table[i].value != 0) continue;
        std::uint32_t shifted = 0;
        while (shifted == 0) shifted = CryptoRandomBelow(0x7FFFFFFFu) << 8;
        table[i] = HandleEntry{shifted | i, 0, nullptr};
        nextEntry = (i + 1) % kEntries;
        return table[i].value;
    }
    return 0;
}

void CryptoHandleAttach(Handle handle, void* object, std::uint32_t type) {
    LayerGuard guard;
    HandleEntry& entry = table[handle & 0xFF];
    if (handle != 0 && entry.value == handle && entry.type == 0) {
        entry.object = object;
        entry.type = type;
    }
}

void* CryptoHandleLookup(Handle handle, std::uint32_t typeMask) {
    LayerGuard guard;
    HandleEntry* entry = Match(handle, typeMask);
    return entry == nullptr ? nullptr : entry->object;
}

void* CryptoHandleRelease(Handle handle, std::uint32_t typeMask) {
    LayerGuard guard;
    HandleEntry* entry = Match(handle, typeMask);
    if (entry == nullptr) {
        // A handle taken but never attached (a create that failed half-way) is given back too.
        HandleEntry& raw = table[handle & 0xFF];
        if (handle != 0 && raw.value == handle && raw.type == 0) raw = HandleEntry{0, 0, nullptr};
        return nullptr;
    }
    void* object = entry->object;
    *entry = HandleEntry{0, 0, nullptr};
    return object;
}

std::uint32_t CryptoHandleType(Handle handle) {
    LayerGuard guard;
    const HandleEntry& entry = table[handle & 0xFF];
    return (handle != 0 && entry.value == handle) ? entry.type : 0;
}

}  // namespace vkt::crypto
