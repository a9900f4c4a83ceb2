// The process's timer registry: the slot's 4-byte timer fields hold an index into it.
//
// Index i (1 .. kRegistrySize) names entry i - 1; a free entry is null. Lookups and changes
// are serialised by one process-local lock, so any thread may use them. The registry does not
// own the timers: whoever registers one deletes it and unregisters it.
#include <array>
#include <mutex>

#include "runtime/timer/session_timer.h"

namespace vkt::runtime {

namespace {

constexpr std::uint32_t kRegistrySize = 64;

struct Registry {
    std::mutex lock;
    std::array<SessionTimer*, kRegistrySize> entries{};
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

std::uint32_t RegisterTimer(SessionTimer* timer) {
    if (timer == nullptr) return 0;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    for (std::uint32_t i = 0; i < kRegistrySize; ++i) {
        if (registry.entries[i] == nullptr) {
            registry.entries[i] = timer;
            return i + 1;
        }
    }
    return 0;
}

SessionTimer* TimerAt(std::uint32_t index) {
    if (index == 0 || index > kRegistrySize) return nullptr;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    return registry.entries[index - 1];
}

void UnregisterTimer(std::uint32_t index) {
    if (index == 0 || index > kRegistrySize) return;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    registry.entries[index - 1] = nullptr;
}

}  // namespace vkt::runtime
