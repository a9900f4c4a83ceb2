#include "cli/interrupt.h"

#include <atomic>

#include "cli/exit_status.h"

namespace vkt::cli {
namespace {

std::atomic<Interrupt> received{Interrupt::kNone};
static_assert(std::atomic<Interrupt>::is_always_lock_free, "set from a signal handler");

}  // namespace

Interrupt InterruptReceived() {
    return received.load();
}

void NoteInterrupt(Interrupt what) {
    received.store(what);
}

void NoteTimeUp() {
    Interrupt none = Interrupt::kNone;
    received.compare_exchange_strong(none, Interrupt::kTimedOut);
}

int InterruptedStatus() {
    switch (received.load()) {
        case Interrupt::kTerminated:
            return kExitTerminated;
        case Interrupt::kTimedOut:
            return kExitTimedOut;
        default:
            return kExitInterrupted;
    }
}

}  // namespace vkt::cli
