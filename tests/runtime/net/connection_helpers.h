// Small helpers shared by the transport tests.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "runtime/net/connection.h"
#include "runtime/net/notification_target.h"

namespace vkt::test {

// Waits (up to waitMs) until the socket is readable, then receives one frame: the tests
// receive what the peer has sent instead of racing it into 49999.
inline std::int32_t ReceiveWhenReady(runtime::Connection& connection, int waitMs = 5000) {
    pollfd entry{connection.Socket(), POLLIN, 0};
    ::poll(&entry, 1, waitMs);
    return connection.ReceiveFrame();
}

inline std::string IncomingData(const runtime::Connection& connection) {
    const auto& in = connection.Incoming();
    return in.data == nullptr ? std::string()
                              : std::string(reinterpret_cast<const char*>(in.Bytes()), in.length);
}

// A socket listening on 127.0.0.1 that never accepts: connects complete in its backlog, and
// no other thread opens descriptors behind the test's back. -1 on failure.
inline int ListenWithoutAccepting(std::uint16_t* port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::close(fd);
        return -1;
    }
    *port = ntohs(address.sin_port);
    return fd;
}

// A window that records what it is asked to watch; it can be told to refuse.
class RecordingWindow : public runtime::NotificationTarget {
  public:
    explicit RecordingWindow(int refuseWith = 0) : refuseWith_(refuseWith) {}
    bool WatchSocket(int fd, bool enabled) override {
        std::lock_guard lock(mutex_);
        calls_.emplace_back(fd, enabled);
        if (refuseWith_ != 0 && enabled) {
            errno = refuseWith_;
            return false;
        }
        return true;
    }
    std::vector<std::pair<int, bool>> Calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }

  private:
    int refuseWith_;
    std::mutex mutex_;
    std::vector<std::pair<int, bool>> calls_;
};

}  // namespace vkt::test
