#include "server/session_registry.h"

#include <sys/socket.h>

namespace vkt::server {

bool SessionRegistry::Add(int socket) {
    std::lock_guard<std::mutex> hold(lock_);
    if (ending_) return false;
    sockets_.insert(socket);
    return true;
}

void SessionRegistry::Remove(int socket) {
    std::lock_guard<std::mutex> hold(lock_);
    sockets_.erase(socket);
    if (sockets_.empty()) left_.notify_all();
}

void SessionRegistry::EndAll() {
    std::lock_guard<std::mutex> hold(lock_);
    ending_ = true;
    // A session closes its socket just before it is removed from here, so a number may
    // already name another descriptor: only sockets of this process, all of which are being
    // ended now, or a file, where shutdown fails with ENOTSOCK and changes nothing.
    for (const int socket : sockets_) shutdown(socket, SHUT_RDWR);
}

bool SessionRegistry::WaitUntilEmpty(std::chrono::milliseconds longest) {
    std::unique_lock<std::mutex> hold(lock_);
    return left_.wait_for(hold, longest, [this] { return sockets_.empty(); });
}

}  // namespace vkt::server
