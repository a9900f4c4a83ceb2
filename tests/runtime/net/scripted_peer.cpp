#include "scripted_peer.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace vkt::test {

PeerStep SendBytes(std::string bytes, std::size_t piece, int gapMs) {
    return PeerStep{PeerStep::Kind::Send, std::move(bytes), piece, gapMs};
}
PeerStep Pause(int ms) {
    return PeerStep{PeerStep::Kind::Pause, {}, 0, ms};
}
PeerStep CloseConnection() {
    return PeerStep{PeerStep::Kind::Close, {}, 0, 0};
}
PeerStep EchoUntilClosed() {
    return PeerStep{PeerStep::Kind::Echo, {}, 0, 0};
}
PeerStep HoldWithoutReading() {
    return PeerStep{PeerStep::Kind::HoldWithoutReading, {}, 0, 0};
}

ScriptedPeer::ScriptedPeer(std::vector<PeerStep> script, PeerOptions options)
    : script_(std::move(script)), receiveBuffer_(options.receiveBuffer) {
    // A numeric IPv4 or IPv6 address.
    sockaddr_storage address{};
    socklen_t size = sizeof(sockaddr_in);
    if (std::strchr(options.address, ':') != nullptr) {
        auto* ipv6 = reinterpret_cast<sockaddr_in6*>(&address);
        ipv6->sin6_family = AF_INET6;
        ipv6->sin6_port = htons(options.port);
        ::inet_pton(AF_INET6, options.address, &ipv6->sin6_addr);
        size = sizeof(sockaddr_in6);
    } else {
        auto* ipv4 = reinterpret_cast<sockaddr_in*>(&address);
        ipv4->sin_family = AF_INET;
        ipv4->sin_port = htons(options.port);
        ::inet_pton(AF_INET, options.address, &ipv4->sin_addr);
    }
    const int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (receiveBuffer_ != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer_, sizeof receiveBuffer_);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(fd, 1) != 0) {
        listenError_ = errno;
        ::close(fd);
        return;
    }
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    port_ =
        ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                            : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    listener_ = fd;
    thread_ = std::thread([this] { Run(); });
}

ScriptedPeer::~ScriptedPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) ::close(listener_);
}

std::string ScriptedPeer::Received() {
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    return received_;
}

bool ScriptedPeer::WaitReadable(int fd) {
    while (!stop_) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 20) > 0) return true;
    }
    return false;
}

void ScriptedPeer::Run() {
    if (!WaitReadable(listener_)) return;
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    Play(fd);
    ::close(fd);
}

void ScriptedPeer::Play(int fd) {
    char buffer[65536];
    for (const PeerStep& step : script_) {
        switch (step.kind) {
            case PeerStep::Kind::Send: {
                const std::size_t piece = step.piece == 0 ? step.bytes.size() : step.piece;
                for (std::size_t at = 0; at < step.bytes.size(); at += piece) {
                    const std::size_t n = std::min(piece, step.bytes.size() - at);
                    if (::send(fd, step.bytes.data() + at, n, MSG_NOSIGNAL) !=
                        static_cast<ssize_t>(n))
                        return;
                    if (step.gapMs > 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(step.gapMs));
                }
                break;
            }
            case PeerStep::Kind::Pause:
                std::this_thread::sleep_for(std::chrono::milliseconds(step.gapMs));
                break;
            case PeerStep::Kind::Close:
                return;
            case PeerStep::Kind::Echo:
                while (WaitReadable(fd)) {
                    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
                    if (n <= 0) return;
                    if (::send(fd, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL) != n) return;
                }
                return;
            case PeerStep::Kind::HoldWithoutReading:
                while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
                return;
        }
    }
    // Everything the client sends, until it closes.
    while (WaitReadable(fd)) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        std::lock_guard lock(mutex_);
        received_.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string WireFrame(char characteristic, char type, const std::string& data) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04zu", data.size() + 1);
    std::string frame;
    frame += '\x01';
    frame += characteristic;
    frame += type;
    frame += ' ';
    frame += digits;
    frame += data;
    frame += '\x04';
    return frame;
}

int OpenDescriptorCount() {
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) return -1;
    int count = 0;
    while (const dirent* entry = ::readdir(dir))
        if (entry->d_name[0] != '.') ++count;
    ::closedir(dir);
    return count - 1;  // the directory's own descriptor
}

}  // namespace vkt::test
