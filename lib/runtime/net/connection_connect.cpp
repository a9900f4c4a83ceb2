// Connection::Connect: the connected socket (platform/sockets.h), then its notifications.
#include <cstring>

#include "platform/sockets.h"
#include "runtime/net/connection.h"
#include "runtime/net/socket_status.h"

namespace vkt::runtime {

std::int32_t Connection::Connect(Watch watch) {
    char host[sizeof host_];
    char service[sizeof service_];
    {
        std::lock_guard lock(mutex_);
        std::memcpy(host, host_, sizeof host);
        std::memcpy(service, service_, sizeof service);
    }
    if (socket_ >= 0) Close();  // a new connect never strands the previous socket

    platform::SocketHandle fd = platform::kInvalidSocket;
    if (const std::int32_t failure = platform::ConnectStream(host, service, &fd); failure != 0) {
        return SocketStatus(failure);
    }
    // The new generation before the socket is published: a reader that finds this socket
    // then finds this generation too (ReceiveFrameOf).
    NewGeneration();
    socket_ = fd;
    connected_ = 1;
    if (watch == Watch::kAtOnce && !EnableNotifications()) {
        const std::int32_t status = LastSocketStatus();
        Close();
        return status;
    }
    return 0;
}

std::int32_t Connection::Adopt(int fd) {
    if (fd < 0) return kInvalidParameter;
    if (socket_ >= 0) Close();
    // As in Connect: the generation before the socket is published.
    NewGeneration();
    socket_ = fd;
    connected_ = 1;
    return 0;
}

}  // namespace vkt::runtime
