#include "server/listener.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
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
    if (socket_ >= 0) close(socket_);
}

bool Listener::Open(const std::string& address, int port, std::string* reason) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int lookup = getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (lookup != 0) {
        *reason = "bad listen address " + address + ": " + gai_strerror(lookup);
        return false;
    }
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> hold(found, freeaddrinfo);
    socket_ = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
        *reason = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    const int on = 1;
    setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(socket_, found->ai_addr, found->ai_addrlen) != 0 || listen(socket_, 64) != 0) {
        *reason = "cannot listen on " + address + ":" + std::to_string(port) + ": " +
                  std::strerror(errno);
        return false;
    }
    return true;
}

std::string Listener::BoundAddress() const {
    sockaddr_storage bound{};
    socklen_t size = sizeof bound;
    if (getsockname(socket_, reinterpret_cast<sockaddr*>(&bound), &size) != 0) return "?";
    return Describe(reinterpret_cast<const sockaddr*>(&bound));
}

void Listener::Stop() {
    stopped_ = true;
    // Wakes the accept waiting on this socket; it fails from now on.
    shutdown(socket_, SHUT_RDWR);
}

void Listener::Serve(const Options& options, const AnswersTable& answers, const UserKeys& keys,
                     SessionRegistry& sessions) {
    limits_ = std::make_unique<ConnectionLimits>(options.maxSessions, options.maxPending,
                                                 options.maxPerAddress);
    closer_ = std::make_unique<RefusalCloser>();
    while (!stopped_) {
        sockaddr_storage from{};
        socklen_t size = sizeof from;
        const int client =
            accept4(socket_, reinterpret_cast<sockaddr*>(&from), &size, SOCK_CLOEXEC);
        if (client < 0) {
            if (stopped_) return;
            if (errno == EINTR || errno == ECONNABORTED || errno == EMFILE || errno == ENFILE ||
                errno == ENOBUFS || errno == ENOMEM) {
                if (errno != EINTR && errno != ECONNABORTED) usleep(100000);
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
