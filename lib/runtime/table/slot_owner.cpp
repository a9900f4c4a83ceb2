// Process identity from /proc: the line of /proc/<pid>/stat is "pid (comm) state ppid ..."; the
// command name may hold spaces and parentheses, so fields are counted from the last ')'.
// Field 3 is the state letter and field 22 the start time in clock ticks since boot.
#include "runtime/table/slot_owner.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vkt::runtime {
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

// pid in the high half, start time in the low half; 0 while not yet read.
std::atomic<std::uint64_t> cachedIdentity{0};

}  // namespace

ProcessIdentity CurrentProcess() {
    const std::int32_t pid = static_cast<std::int32_t>(getpid());
    std::uint64_t cached = cachedIdentity.load(std::memory_order_acquire);
    if (cached != 0 && static_cast<std::int32_t>(cached >> 32) == pid) {
        return {pid, static_cast<std::uint32_t>(cached)};
    }
    char state = 0;
    std::uint64_t start = 0;
    // When /proc cannot be read the start time stays 0, which others do not compare.
    if (ReadProcStat(pid, &state, &start) != 0) start = 0;
    const std::uint32_t low = static_cast<std::uint32_t>(start);
    cachedIdentity.store((static_cast<std::uint64_t>(static_cast<std::uint32_t>(pid)) << 32) | low,
                         std::memory_order_release);
    return {pid, low};
}

bool OwnerGone(std::int32_t pid, std::uint32_t startTime) {
    if (pid <= 0) return false;
    if (kill(pid, 0) != 0 && errno == ESRCH) return true;
    char state = 0;
    std::uint64_t start = 0;
    const int error = ReadProcStat(pid, &state, &start);
    if (error == ENOENT || error == ESRCH) return true;
    if (error != 0) return false;
    // Z: exited, not yet reaped by its parent; X: being torn down. Neither will release a slot.
    if (state == 'Z' || state == 'X') return true;
    return startTime != 0 && static_cast<std::uint32_t>(start) != startTime;
}

bool SlotClaimable(const SessionSlot& slot) {
    if (slot.slotState == kSlotFree) return true;
    return slot.slotState == kSlotInUse && OwnerGone(slot.ownerPid, slot.ownerStartTime);
}

bool SlotHeldHere(const SessionSlot& slot) {
    if (slot.slotState != kSlotInUse) return false;
    const ProcessIdentity self = CurrentProcess();
    return slot.ownerPid == self.pid && slot.ownerStartTime == self.startTime;
}

}  // namespace vkt::runtime
