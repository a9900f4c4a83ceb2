// Named POSIX shared-memory objects of a fixed size, private to the user, that several
// processes create or join.
#pragma once

#include <cstddef>

namespace vkt::runtime {

// How long a joiner waits for a creator that is half-way through: for the creator's
// ftruncate (size still 0) and for the mutex's one-time initialisation.
constexpr int kJoinWaitMs = 2000;

// Writes "/<prefix><kind>.<euid>" into out, prefix being VKT_SHM_PREFIX when set, else "VKT".
// False when the name does not fit or the prefix holds a '/'.
bool SharedObjectName(const char* kind, char* out, std::size_t size);

// Maps the whole object `name` read/write. Creates it when absent (O_CREAT|O_EXCL, mode 0600
// whatever the umask, zero-filled to `size`; *created true); otherwise joins it (*created
// false), which requires an object owned by this user, with no group or other permission bits,
// and of exactly `size` bytes once its creator has sized it. The descriptor is closed before
// returning (the mapping stays). Null on failure; an object this call created is then removed.
void* MapSharedObject(const char* name, std::size_t size, bool* created);

// Sleeps about one millisecond (the step of the joiners' bounded waits).
void SleepOneMillisecond();

}  // namespace vkt::runtime
