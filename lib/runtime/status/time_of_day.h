// The local time of day as recorded with each failure.
#pragma once

namespace vkt::runtime {

// Writes "HH:MM:SS" (24-hour clock, local time) and a terminating NUL into out[9].
void FormatTimeOfDay(char (&out)[9]);

}  // namespace vkt::runtime
