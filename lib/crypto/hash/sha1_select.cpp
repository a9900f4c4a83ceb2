// Run-time choice of the SHA-1 compression routine.
#include <atomic>

#include "crypto/hash/hash_algorithms.h"

namespace vkt::crypto {
namespace {

std::atomic<bool> forcePortable{false};

}  // namespace

bool Sha1HardwareAvailable() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("sha") && __builtin_cpu_supports("sse4.1");
    }();
    return available;
#else
    return false;
#endif
}

Sha1CompressFn Sha1SelectCompress() {
    if (!forcePortable.load(std::memory_order_relaxed) && Sha1HardwareAvailable()) {
        return Sha1CompressHardware;
    }
    return Sha1CompressPortable;
}

void Sha1ForcePortable(bool force) {
    forcePortable.store(force, std::memory_order_relaxed);
}

}  // namespace vkt::crypto
