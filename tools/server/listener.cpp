#include "server/listener.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>

#include "server/error_reports.h"
#include "server/event_log.h"
#include "server/frame_codec.h"
#include "server/session.h"

namespace vkt::server {

namespace {

std::string Describe(const sockaddr* address) {
    char host[NI_MAXHOST] = "";
    char port[NI_MAXSERV] = "";
    const socklen_t size =
        address->sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    if (getnameinfo(address, size, host, sizeof host, port, sizeof port,
                    NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return "?";
    if (address->sa_family == AF_INET6) return std::string("[") + host + "]:" + port;
    return std::string(host) + ":" + port;
}

// The client's address without its port: the per-address bound counts by it.
std::string HostOf(const sockaddr* address) {
    char host[NI_MAXHOST] = "";
    const socklen_t size =
        address->sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    if (getnameinfo(address, size, host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0) return "?";
    return host;
}

}  // namespace

// Told so in a plain error report, written only if it fits the socket's buffer at once; the
// closer reads what the client still sends and closes.
void Listener::Refuse(int client, const std::string& peer, const char* reason) {
    LogEvent(peer, "", reason);
    std::string frame;
    BuildFrame('1', '9', kReportBusy, &frame);
    send(client, frame.data(), frame.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    shutdown(client, SHUT_WR);
    closer_->Hand(client);
}

Listener::~Listener() {
    for (const int fd : sockets_) close(fd);
}

// One more listening socket on the numeric address. An IPv6 socket on "::" takes IPv4
// clients too; on any other IPv6 address it takes IPv6 only. errno is left as the failure set.
bool Listener::Listen(const std::string& address, int port, std::string* reason) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int lookup = getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (lookup != 0) {
        *reason = "bad listen address " + address + ": " + gai_strerror(lookup);
        errno = EINVAL;
        return false;
    }
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> hold(found, freeaddrinfo);
    const int fd = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        *reason = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (found->ai_family == AF_INET6) {
        const auto* ipv6 = reinterpret_cast<const sockaddr_in6*>(found->ai_addr);
        const int only = IN6_IS_ADDR_UNSPECIFIED(&ipv6->sin6_addr) ? 0 : 1;
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &only, sizeof only);
    }
    if (bind(fd, found->ai_addr, found->ai_addrlen) != 0 || listen(fd, 64) != 0) {
        const int saved = errno;
        *reason = "cannot listen on " + address + ":" + std::to_string(port) + ": " +
                  std::strerror(saved);
        close(fd);
        errno = saved;
        return false;
    }
    sockets_.push_back(fd);
    return true;
}

bool Listener::Open(const std::string& address, int port, std::string* reason) {
    if (!address.empty()) return Listen(address, port, reason);
    // Loopback of both families on one port. A free port taken for 127.0.0.1 may be in use
    // on ::1: then both are given up and another free port is tried.
    constexpr int kFreePortTries = 8;
    for (int attempt = 0; attempt < kFreePortTries; ++attempt) {
        if (!Listen("127.0.0.1", port, reason)) return false;
        sockaddr_in bound{};
        socklen_t size = sizeof bound;
        getsockname(sockets_.front(), reinterpret_cast<sockaddr*>(&bound), &size);
        if (Listen("::1", ntohs(bound.sin_port), reason)) return true;
        // No IPv6 on this machine: IPv4 loopback alone.
        if (errno == EADDRNOTAVAIL || errno == EAFNOSUPPORT) return true;
        const int saved = errno;
        close(sockets_.front());
        sockets_.clear();
        if (saved != EADDRINUSE || port != 0) return false;
    }
    return false;
}

std::vector<std::string> Listener::BoundAddresses() const {
    std::vector<std::string> addresses;
    for (const int fd : sockets_) {
        sockaddr_storage bound{};
        socklen_t size = sizeof bound;
        addresses.push_back(getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size) == 0
                                ? Describe(reinterpret_cast<const sockaddr*>(&bound))
                                : "?");
    }
    return addresses;
}

void Listener::Stop() {
    stopped_ = true;
    // Wakes the wait on these sockets; accepting fails from now on.
    for (const int fd : sockets_) shutdown(fd, SHUT_RDWR);
}

int Listener::WaitForConnection() {
    std::vector<pollfd> entries;
    for (const int fd : sockets_) entries.push_back(pollfd{fd, POLLIN, 0});
    while (!stopped_) {
        if (poll(entries.data(), entries.size(), -1) < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (stopped_) return -1;
        for (const pollfd& entry : entries)
            if (entry.revents != 0) return entry.fd;
    }
    return -1;
}

void Listener::Serve(const Options& options, const AnswersTable& answers, const UserKeys& keys,
                     SessionRegistry& sessions) {
    limits_ = std::make_unique<ConnectionLimits>(options.maxSessions, options.maxPending,
                                                 options.maxPerAddress);
    closer_ = std::make_unique<RefusalCloser>();
    while (!stopped_) {
        const int ready = WaitForConnection();
        if (ready < 0) {
            if (stopped_) return;
            LogEvent("", "",
                     std::string("waiting for connections failed: ") + std::strerror(errno));
            return;
        }
        sockaddr_storage from{};
        socklen_t size = sizeof from;
        // The listening sockets do not block: a connection gone before it is taken leaves
        // EAGAIN, not a loop stuck in accept.
        const int client = accept4(ready, reinterpret_cast<sockaddr*>(&from), &size, SOCK_CLOEXEC);
        if (client < 0) {
            if (stopped_) return;
            if (errno == EINTR || errno == ECONNABORTED || errno == EAGAIN ||
                errno == EWOULDBLOCK || errno == EMFILE || errno == ENFILE || errno == ENOBUFS ||
                errno == ENOMEM) {
                if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                    usleep(100000);
                continue;
            }
            LogEvent("", "", std::string("accept failed: ") + std::strerror(errno));
            return;
        }
        // Each frame is written whole, so a small frame behind a large one (the digest after
        // the last block) leaves at once instead of waiting for the client's acknowledgement.
        const int on = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        const sockaddr* address = reinterpret_cast<const sockaddr*>(&from);
        const std::string peer = Describe(address);
        std::string host = HostOf(address);
        if (!limits_->AdmitPending(host)) {
            Refuse(client, peer, "too many connections without a session, refused");
            continue;
        }
        auto ticket = std::make_unique<ConnectionTicket>(*limits_, std::move(host));
        try {
            std::thread([client, peer, ticket = std::move(ticket), &options, &answers, &keys,
                         &sessions] {
                if (sessions.Add(client)) {
                    {
                        Session session(client, peer, options, answers, keys, *ticket);
                        session.Run();
                    }
                    sessions.Remove(client);
                } else {
                    close(client);
                }
            }).detach();
        } catch (const std::system_error&) {
            Refuse(client, peer, "no thread for the connection, refused");
        }
    }
}

}  // namespace vkt::server
