#include <csignal>

#include "cli/interrupt.h"

namespace vkt::cli {
namespace {

void Remember(int signal) {
    NoteInterrupt(signal == SIGTERM ? Interrupt::kTerminated : Interrupt::kInterrupted);
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

}  // namespace vkt::cli
