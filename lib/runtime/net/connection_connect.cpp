// Connection::Connect: service and host resolution (IPv4 and IPv6), a blocking connect to
// each address in turn, then the non-blocking mode and notifications.
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

#include "runtime/net/connection.h"
#include "runtime/net/socket_errors.h"
#include "runtime/status/status_code.h"

namespace vkt::runtime {

namespace {

constexpr std::int32_t kNoData = 11004;      // name valid, nothing associated with it
constexpr std::int32_t kBadAddress = 10049;  // address not valid

std::int32_t NetworkStatus(std::int32_t socketError) {
    return ComposeStatus(socketError, kSourceNetwork);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

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
    const char* digits = service;
    while (IsBlank(*digits)) ++digits;
    std::uint32_t port = 0;
    std::size_t i = 0;
    for (; digits[i] >= '0' && digits[i] <= '9' && port <= 65535; ++i)
        port = port * 10 + static_cast<std::uint32_t>(digits[i] - '0');
    const char* rest = digits + i;
    while (IsBlank(*rest)) ++rest;
    if (i == 0 || *rest != 0 || port == 0 || port > 65535) return NetworkStatus(kNoData);
    *portNetworkOrder = htons(static_cast<std::uint16_t>(port));
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
        socklen_t size = 0;
        if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
            size = sizeof(sockaddr_in);
            std::memcpy(&address, entry->ai_addr, size);
            reinterpret_cast<sockaddr_in*>(&address)->sin_port = portNetworkOrder;
        } else if (entry->ai_family == AF_INET6 && entry->ai_addrlen >= sizeof(sockaddr_in6)) {
            size = sizeof(sockaddr_in6);
            std::memcpy(&address, entry->ai_addr, size);
            reinterpret_cast<sockaddr_in6*>(&address)->sin6_port = portNetworkOrder;
        } else {
            continue;
        }
        const int fd = OpenConnected(reinterpret_cast<const sockaddr*>(&address), size);
        if (fd >= 0) return fd;
        lastError = errno;
    }
    errno = lastError;
    return -1;
}

// The addresses of a host: a dotted IPv4 address as given, or the resolver's list.
class HostAddresses {
  public:
    HostAddresses() = default;
    ~HostAddresses() {
        if (resolved_ != nullptr) ::freeaddrinfo(resolved_);
    }
    HostAddresses(const HostAddresses&) = delete;
    HostAddresses& operator=(const HostAddresses&) = delete;

    // A dotted IPv4 address or an IPv6 address (it has a colon) is used as given, without
    // name resolution; any other text is a name to resolve. 0 or the failure's status.
    std::int32_t Resolve(const char* host) {
        const bool ipv6 = std::strchr(host, ':') != nullptr;
        if (!ipv6 && host[0] >= '0' && host[0] <= '9') {
            // inet_addr's reading of a dotted address is the rule here, not the resolver's.
            literalAddress_.sin_family = AF_INET;
            literalAddress_.sin_addr.s_addr = ::inet_addr(host);
            if (literalAddress_.sin_addr.s_addr == INADDR_NONE) return NetworkStatus(kBadAddress);
            literal_.ai_family = AF_INET;
            literal_.ai_socktype = SOCK_STREAM;
            literal_.ai_addr = reinterpret_cast<sockaddr*>(&literalAddress_);
            literal_.ai_addrlen = sizeof literalAddress_;
            return 0;
        }
        addrinfo hints{};
        hints.ai_family = ipv6 ? AF_INET6 : AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        hints.ai_flags = ipv6 ? AI_NUMERICHOST : 0;
        if (const int error = ::getaddrinfo(host, nullptr, &hints, &resolved_); error != 0) {
            resolved_ = nullptr;
            return NetworkStatus(ipv6 ? kBadAddress : ResolverErrorNumber(error));
        }
        return 0;
    }
    const addrinfo* List() const { return resolved_ != nullptr ? resolved_ : &literal_; }

  private:
    addrinfo* resolved_ = nullptr;
    addrinfo literal_{};
    sockaddr_in literalAddress_{};
};

}  // namespace

std::int32_t Connection::Connect(Watch watch) {
    char host[sizeof host_];
    char service[sizeof service_];
    {
        std::lock_guard lock(mutex_);
        std::memcpy(host, host_, sizeof host);
        std::memcpy(service, service_, sizeof service);
    }
    if (socket_ >= 0) Close();  // a new connect never strands the previous socket

    std::uint16_t port = 0;
    if (const std::int32_t status = ResolveService(service, &port); status != 0) return status;
    int fd = -1;
    {
        HostAddresses addresses;
        if (const std::int32_t status = addresses.Resolve(host); status != 0) return status;
        fd = ConnectToFirstOf(addresses.List(), port);
        if (fd < 0) return SocketStatus(errno);
    }

    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        const int saved = errno;
        ::close(fd);
        return SocketStatus(saved);
    }
    // The new generation before the socket is published: a reader that finds this socket
    // then finds this generation too (ReceiveFrameOf).
    NewGeneration();
    socket_ = fd;
    connected_ = 1;
    if (watch == Watch::kAtOnce && !EnableNotifications()) {
        const int saved = errno;
        Close();
        return SocketStatus(saved);
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
