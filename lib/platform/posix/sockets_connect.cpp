// ConnectStream on Linux: service and host resolution (IPv4 and IPv6), a blocking connect to
// each address in turn, then the non-blocking mode.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/host_addresses.h"
#include "platform/posix/socket_errors.h"
#include "platform/service_port.h"
#include "platform/sockets.h"

namespace vkt::platform {

namespace {

constexpr std::int32_t kNoData = 11004;  // name valid, nothing associated with it
using detail::AddressWithPort;
using detail::HostAddresses;
using detail::kBadAddress;

// Port of a TCP service name, else of a decimal port number (digits only, 1 to 65535, with
// blanks before and after them allowed, as typed in a configuration). A text that is neither
// fails as the platform's service look-up does: 11004.
std::int32_t ResolveService(const char* service, std::uint16_t* portNetworkOrder) {
    servent entry{};
    servent* found = nullptr;
    char scratch[1024];
    if (getservbyname_r(service, "tcp", &entry, scratch, sizeof scratch, &found) == 0 &&
        found != nullptr) {
        *portNetworkOrder = static_cast<std::uint16_t>(found->s_port);
        return 0;
    }
    std::uint16_t port = 0;
    if (!ParsePortNumber(service, &port)) return kNoData;
    *portNetworkOrder = htons(port);
    return 0;
}

// Blocking connect with the system's own time-out. 0, or -1 with errno set. An interrupted
// connect goes on in the background: wait for it and fetch its outcome.
int ConnectBlocking(int fd, const sockaddr* address, socklen_t size) {
    if (::connect(fd, address, size) == 0) return 0;
    if (errno != EINTR) return -1;
    pollfd entry{fd, POLLOUT, 0};
    int ready;
    do {
        ready = ::poll(&entry, 1, -1);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return -1;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return -1;
    if (error != 0) {
        errno = error;
        return -1;
    }
    return 0;
}

// A new TCP socket of the address's family connected to it, or -1 with errno set (nothing
// left open). Each frame is written as a whole message, so small frames go out at once
// instead of waiting for the acknowledgement of the previous one (no Nagle delay).
int OpenConnected(const sockaddr* address, socklen_t size) {
    const int fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) return -1;
    const int on = 1;
    if (::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0 &&
        ConnectBlocking(fd, address, size) == 0)
        return fd;
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return -1;
}

// Every IPv4 and IPv6 address of the list, in its order, with the port, until one connects:
// a socket whose connect failed is not reused, each attempt gets a fresh one. The socket, or
// -1 with errno set by the last attempt.
int ConnectToFirstOf(const addrinfo* list, std::uint16_t portNetworkOrder) {
    int lastError = EADDRNOTAVAIL;
    for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        sockaddr_storage address{};
        const socklen_t size =
            static_cast<socklen_t>(AddressWithPort(entry, portNetworkOrder, &address));
        if (size == 0) continue;
        const int fd = OpenConnected(reinterpret_cast<const sockaddr*>(&address), size);
        if (fd >= 0) return fd;
        lastError = errno;
    }
    errno = lastError;
    return -1;
}

}  // namespace

std::int32_t ConnectStream(const char* host, const char* service, SocketHandle* socket) {
    *socket = kInvalidSocket;
    std::uint16_t port = 0;
    if (const std::int32_t failure = ResolveService(service, &port); failure != 0) return failure;
    int fd = -1;
    {
        HostAddresses addresses;
        if (const std::int32_t failure = addresses.Resolve(host, ResolverErrorNumber); failure != 0)
            return failure;
        fd = ConnectToFirstOf(addresses.List(), port);
        if (fd < 0) return SocketErrorNumber(errno);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        const int saved = errno;
        ::close(fd);
        return SocketErrorNumber(saved);
    }
    *socket = fd;
    return 0;
}

}  // namespace vkt::platform
