#include "cli/interrupt.h"

#include <atomic>
#include <csignal>

#include "cli/exit_status.h"

namespace vkt::cli {
namespace {

std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

void Remember(int signal) {
    received.store(signal);
}

}  // namespace

void InstallInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = Remember;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int InterruptSignal() {
    return received.load();
}

void NoteTimeUp() {
    int none = 0;
    received.compare_exchange_strong(none, SIGALRM);
}

int InterruptedStatus() {
    switch (received.load()) {
        case SIGTERM:
            return kExitTerminated;
        case SIGALRM:
            return kExitTimedOut;
        default:
            return kExitInterrupted;
    }
}

}  // namespace vkt::cli
