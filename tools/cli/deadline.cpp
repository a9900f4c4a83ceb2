#include "cli/deadline.h"

#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "cli/exit_status.h"
#include "cli/interrupt.h"

namespace vkt::cli {
namespace {

constexpr long kGraceMilliseconds = 1000;

// Trivially destructible, so that the detached thread may still use them while exit() runs.
char line[512];
std::atomic<bool> printed{false};

void SleepUntil(timespec when) {
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr) != 0) {
    }
}

timespec Later(timespec from, long milliseconds) {
    from.tv_sec += milliseconds / 1000;
    from.tv_nsec += (milliseconds % 1000) * 1000000L;
    if (from.tv_nsec >= 1000000000L) {
        from.tv_sec += 1;
        from.tv_nsec -= 1000000000L;
    }
    return from;
}

}  // namespace

void StartDeadline(int seconds, const std::string& context) {
    std::snprintf(line, sizeof line, "vkt: %s: timed out after %d seconds; the session was ended\n",
                  context.c_str(), seconds);
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const timespec due = Later(now, seconds * 1000L);
    std::thread([due] {
        SleepUntil(due);
        NoteTimeUp();
        SleepUntil(Later(due, kGraceMilliseconds));
        PrintTimedOut();
        _exit(kExitTimedOut);
    }).detach();
}

void PrintTimedOut() {
    if (printed.exchange(true) || line[0] == '\0') return;
    const ssize_t written = write(STDERR_FILENO, line, std::char_traits<char>::length(line));
    static_cast<void>(written);
}

}  // namespace vkt::cli
