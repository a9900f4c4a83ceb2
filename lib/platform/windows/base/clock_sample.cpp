// The file time counts 100 ns units from 1601-01-01; the performance counter ticks at a rate
// fixed at boot, read once.
#include "platform/clock_sample.h"

#include <windows.h>

namespace vkt::platform {
namespace {

constexpr std::int64_t kFileTimeAt1970 = 116444736000000000;  // 100 ns units since 1601
constexpr std::int64_t kFileTimeUnitsPerSecond = 10000000;

}  // namespace

ClockSample SampleClocks() {
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    const std::int64_t units =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
                                  now.dwLowDateTime) -
        kFileTimeAt1970;
    LARGE_INTEGER counter{}, frequency{};
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    const std::int64_t perSecond = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
    const std::int64_t ticks = counter.QuadPart;
    return {units / kFileTimeUnitsPerSecond, (units % kFileTimeUnitsPerSecond) * 100,
            ticks / perSecond, (ticks % perSecond) * 1000000000 / perSecond};
}

}  // namespace vkt::platform
