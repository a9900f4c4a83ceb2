// The monotonic clock and the short sleeps of the transport's waiting loops.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

namespace vkt::runtime {

using WaitClock = std::chrono::steady_clock;

inline void SleepMs(std::int64_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// True once `timeoutSeconds` whole seconds have passed since `since` (0 seconds: at once).
inline bool StallExpired(WaitClock::time_point since, std::int32_t timeoutSeconds) {
    return WaitClock::now() - since >= std::chrono::seconds(timeoutSeconds);
}

// Milliseconds left (rounded up) until `timeoutSeconds` have passed since `since`; 0 when
// they have.
inline std::int64_t MsUntilExpired(WaitClock::time_point since, std::int32_t timeoutSeconds) {
    const auto left = since + std::chrono::seconds(timeoutSeconds) - WaitClock::now();
    return std::max<std::int64_t>(0, std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

}  // namespace vkt::runtime
