// Run-time choice of the SHA-1 compression routine.
#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include "crypto/hash/hash_algorithms.h"

namespace vkt::crypto {
namespace {

std::atomic<bool> forcePortable{false};

}  // namespace

bool Sha1HardwareAvailable() {
#if defined(__x86_64__) || defined(__i386__)
    // Read from CPUID directly: not every compiler's __builtin_cpu_supports knows "sha".
    static const bool available = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & bit_SSE4_1) == 0) return false;
        if (__get_cpuid_count(7, 0, &a, &b, &c, &d) == 0) return false;
        return (b & bit_SHA) != 0;
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
