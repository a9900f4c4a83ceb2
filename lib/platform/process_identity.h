// Processes as the session table knows them: this process's id, and whether a recorded owner
// still runs, with its start time so that an id reused by a later process is told apart.
//
// Start times are opaque 32-bit values compared for equality only, 0 meaning unknown: on Linux
// the low half of field 22 of /proc/<pid>/stat (clock ticks since boot), on Windows the low
// half of GetProcessTimes' creation time (100 ns units), which differ between two processes
// that had the same id unless they started within the same tick.
//
// Threads: any thread.
#pragma once

#include <cstdint>

namespace vkt::platform {

std::int32_t OwnProcessId();

enum class ProcessLife {
    kRunning,  // the process exists; *startTime says when it started (0: unknown)
    kEnded,    // no such process, or one that has exited and only waits to be reaped
    kUnknown,  // it could not be told (no permission to look, /proc unreadable)
};
ProcessLife QueryProcess(std::int32_t pid, std::uint32_t* startTime);

// True only when no process of that id exists at all (Linux: kill(pid, 0) gives ESRCH; an
// exited process its parent has not reaped yet still exists). Used for files named by pid.
bool ProcessIdUnused(std::int32_t pid);

}  // namespace vkt::platform
