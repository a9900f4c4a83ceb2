// Breaking a time down in the local time zone, safely from any thread: localtime_r on Linux,
// localtime_s on Windows.
//
// Part of the base objects (no dependency on the rest of the library). Threads: any thread.
#pragma once

#include <ctime>

namespace vkt::platform {

// Fills *out with the local time of `when`; false when it cannot be represented.
bool LocalTime(std::time_t when, std::tm* out);

}  // namespace vkt::platform
