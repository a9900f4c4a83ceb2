#include "server/listener.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
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

std::atomic<int> activeSessions{0};

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

// A client over the bound: told so in a plain error report, then closed once it has had a
// moment to send its connect request (closing on unread data would reset the connection).
void Refuse(int client, const std::string& peer) {
    LogEvent(peer, "", "too many sessions, refused");
    std::string frame;
    BuildFrame('1', '9', kReportBusy, &frame);
    send(client, frame.data(), frame.size(), MSG_NOSIGNAL);
    shutdown(client, SHUT_WR);
    pollfd watch{client, POLLIN, 0};
    char sink[256];
    while (poll(&watch, 1, 200) > 0 && recv(client, sink, sizeof sink, 0) > 0) {
    }
    close(client);
}

}  // namespace

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
        const std::string peer = Describe(reinterpret_cast<const sockaddr*>(&from));
        if (activeSessions.fetch_add(1) >= options.maxSessions) {
            activeSessions.fetch_sub(1);
            Refuse(client, peer);
            continue;
        }
        try {
            std::thread([client, peer, &options, &answers, &keys, &sessions] {
                if (sessions.Add(client)) {
                    {
                        Session session(client, peer, options, answers, keys);
                        session.Run();
                    }
                    sessions.Remove(client);
                } else {
                    close(client);
                }
                activeSessions.fetch_sub(1);
            }).detach();
        } catch (const std::system_error&) {
            activeSessions.fetch_sub(1);
            Refuse(client, peer);
        }
    }
}

}  // namespace vkt::server
