// A reading of the wall clock and of a monotonic clock at one moment, as seconds and
// nanoseconds: the time-dependent part of the random seed.
//   Linux    clock_gettime of CLOCK_REALTIME and CLOCK_MONOTONIC.
//   Windows  GetSystemTimePreciseAsFileTime (from 1970) and QueryPerformanceCounter.
//
// Part of the base objects (no dependency on the rest of the library). Threads: any thread.
#pragma once

#include <cstdint>

namespace vkt::platform {

struct ClockSample {
    std::int64_t realSeconds;  // since 1970-01-01 UTC
    std::int64_t realNanoseconds;
    std::int64_t monotonicSeconds;  // from an unspecified origin
    std::int64_t monotonicNanoseconds;
};

ClockSample SampleClocks();

}  // namespace vkt::platform
