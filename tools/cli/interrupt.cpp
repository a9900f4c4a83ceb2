#include "cli/interrupt.h"

#include <csignal>

namespace vkt::cli {
namespace {

volatile std::sig_atomic_t received = 0;

void Remember(int signal) {
    received = signal;
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
    return received;
}

}  // namespace vkt::cli
