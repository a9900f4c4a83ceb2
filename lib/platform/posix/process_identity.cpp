// Process identity from /proc: the line of /proc/<pid>/stat is "pid (comm) state ppid ..."; the
// command name may hold spaces and parentheses, so fields are counted from the last ')'.
// Field 3 is the state letter and field 22 the start time in clock ticks since boot.
#include "platform/process_identity.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vkt::platform {
namespace {

constexpr int kStartTimeField = 22;

// 0 with *state and *startTime filled; otherwise an errno value (ENOENT: no such process).
int ReadProcStat(std::int32_t pid, char* state, std::uint64_t* startTime) {
    char path[48];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    char line[4096];
    std::size_t used = 0;
    int error = 0;
    while (used < sizeof line - 1) {
        ssize_t n = read(fd, line + used, sizeof line - 1 - used);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errno;
            break;
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    close(fd);
    if (error != 0) return error;
    line[used] = '\0';
    // ESRCH: the process vanished between open and read (the read fails or comes back empty).
    if (used == 0) return ESRCH;

    const char* cursor = std::strrchr(line, ')');
    if (cursor == nullptr) return EINVAL;
    ++cursor;
    for (int field = 3; field <= kStartTimeField; ++field) {
        while (*cursor == ' ') ++cursor;
        if (*cursor == '\0') return EINVAL;
        if (field == 3) *state = *cursor;
        if (field == kStartTimeField) {
            char* end = nullptr;
            errno = 0;
            unsigned long long value = std::strtoull(cursor, &end, 10);
            if (end == cursor || errno != 0) return EINVAL;
            *startTime = value;
            return 0;
        }
        while (*cursor != ' ' && *cursor != '\0') ++cursor;
    }
    return EINVAL;
}

}  // namespace

std::int32_t OwnProcessId() {
    return static_cast<std::int32_t>(getpid());
}

ProcessLife QueryProcess(std::int32_t pid, std::uint32_t* startTime) {
    *startTime = 0;
    if (ProcessIdUnused(pid)) return ProcessLife::kEnded;
    char state = 0;
    std::uint64_t start = 0;
    const int error = ReadProcStat(pid, &state, &start);
    if (error == ENOENT || error == ESRCH) return ProcessLife::kEnded;
    if (error != 0) return ProcessLife::kUnknown;
    // Z: exited, not yet reaped by its parent; X: being torn down. Neither runs any more.
    if (state == 'Z' || state == 'X') return ProcessLife::kEnded;
    *startTime = static_cast<std::uint32_t>(start);
    return ProcessLife::kRunning;
}

bool ProcessIdUnused(std::int32_t pid) {
    return pid > 0 && kill(pid, 0) != 0 && errno == ESRCH;
}

}  // namespace vkt::platform
