#include "server/signal_watch.h"

#include <pthread.h>

#include <csignal>
#include <system_error>
#include <thread>

namespace vkt::server {

namespace {

sigset_t ServerSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

bool BlockServerSignals() {
    const sigset_t set = ServerSignals();
    return pthread_sigmask(SIG_BLOCK, &set, nullptr) == 0;
}

bool WatchServerSignals(std::function<void()> stop, std::function<void()> reload) {
    try {
        std::thread([stop = std::move(stop), reload = std::move(reload)] {
            const sigset_t set = ServerSignals();
            bool stopping = false;
            for (;;) {
                int signal = 0;
                if (sigwait(&set, &signal) != 0) continue;
                if (signal == SIGHUP) {
                    reload();
                } else if (!stopping) {
                    stopping = true;
                    stop();
                }
            }
        }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

}  // namespace vkt::server
