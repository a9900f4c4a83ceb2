#include "runtime/status/time_of_day.h"

#include <ctime>

#include "platform/local_time.h"

namespace vkt::runtime {

namespace {

// Two decimal digits of a field that the local time keeps within 0..60.
void TwoDigits(char* out, int value) {
    const unsigned field = static_cast<unsigned>(value) % 100;
    out[0] = static_cast<char>('0' + field / 10);
    out[1] = static_cast<char>('0' + field % 10);
}

}  // namespace

void FormatTimeOfDay(char (&out)[9]) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == static_cast<std::time_t>(-1) || !platform::LocalTime(now, &local)) {
        local = std::tm{};
    }
    TwoDigits(out, local.tm_hour);
    out[2] = ':';
    TwoDigits(out + 3, local.tm_min);
    out[5] = ':';
    TwoDigits(out + 6, local.tm_sec);
    out[8] = '\0';
}

}  // namespace vkt::runtime
