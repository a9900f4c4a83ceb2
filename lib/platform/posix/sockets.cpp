// Sockets on Linux: send with MSG_NOSIGNAL (a closed peer gives EPIPE, never SIGPIPE), recv,
// poll, and errno mapped to the catalogue's socket numbers.
#include "platform/sockets.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/socket_errors.h"

namespace vkt::platform {

bool StartSockets() {
    return true;
}

void StopSockets() {}

int SendSome(SocketHandle socket, const void* bytes, int count, std::int32_t* error) {
    for (;;) {
        const ssize_t n = ::send(socket, bytes, static_cast<std::size_t>(count), MSG_NOSIGNAL);
        if (n >= 0) {
            if (n == 0) *error = 0;
            return static_cast<int>(n);
        }
        if (errno == EINTR) continue;
        *error = SocketErrorNumber(errno);
        return *error == kWouldBlock ? 0 : -1;
    }
}

int ReceiveSome(SocketHandle socket, void* into, int count, std::int32_t* error) {
    for (;;) {
        const ssize_t n = ::recv(socket, into, static_cast<std::size_t>(count), 0);
        if (n >= 0) return static_cast<int>(n);
        if (errno == EINTR) continue;
        *error = SocketErrorNumber(errno);
        return -1;
    }
}

int ReadableNow(SocketHandle socket) {
    pollfd entry{socket, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&entry, 1, 0);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return -1;
    // End of stream and a pending error also make a read return at once.
    return (entry.revents & (POLLIN | POLLHUP | POLLERR)) != 0 ? 1 : 0;
}

void ShutdownSocket(SocketHandle socket) {
    ::shutdown(socket, SHUT_RDWR);
}

void CloseSocket(SocketHandle socket) {
    ::close(socket);
}

std::int32_t LastSocketError() {
    return SocketErrorNumber(errno);
}

void NoteNotConnected() {
    errno = ENOTCONN;
}

}  // namespace vkt::platform
