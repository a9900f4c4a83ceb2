// The period of both session timers: 60,000 ms, or VKT_TIMER_PERIOD_MS (tests only).
#include <cerrno>
#include <cstdlib>

#include "runtime/timer/session_timer.h"

namespace vkt::runtime {

namespace {

constexpr std::uint32_t kDefaultPeriodMs = 60000;

// The variable counts only when it is a whole positive decimal number that fits 32 bits.
std::uint32_t PeriodFromEnvironment() {
    const char* text = std::getenv("VKT_TIMER_PERIOD_MS");
    if (text == nullptr || *text < '0' || *text > '9') return kDefaultPeriodMs;
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || value == 0 || value > 0xFFFFFFFFull) return kDefaultPeriodMs;
    return static_cast<std::uint32_t>(value);
}

}  // namespace

// Read once, at the first use: the period of a process never changes.
std::uint32_t TimerPeriodMs() {
    static const std::uint32_t period = PeriodFromEnvironment();
    return period;
}

}  // namespace vkt::runtime
