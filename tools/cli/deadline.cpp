#include "cli/deadline.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "cli/exit_status.h"
#include "cli/interrupt.h"
#include "cli/platform/immediate_exit.h"
#include "cli/platform/standard_error.h"

namespace vkt::cli {
namespace {

constexpr std::chrono::milliseconds kGrace{1000};

// Trivially destructible, so that the detached thread may still use them while exit() runs.
char line[512];
std::atomic<bool> printed{false};

}  // namespace

void StartDeadline(int seconds, const std::string& context) {
    std::snprintf(line, sizeof line, "vkt: %s: timed out after %d seconds; the session was ended\n",
                  context.c_str(), seconds);
    const auto due = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::thread([due] {
        std::this_thread::sleep_until(due);
        NoteTimeUp();
        std::this_thread::sleep_until(due + kGrace);
        PrintTimedOut();
        ExitImmediately(kExitTimedOut);
    }).detach();
}

void PrintTimedOut() {
    if (printed.exchange(true) || line[0] == '\0') return;
    WriteToStandardError(line, std::char_traits<char>::length(line));
}

}  // namespace vkt::cli
