// The readiness loop on Linux: an epoll set holding the eventfd (data.fd = the eventfd) and the
// watched sockets (data.fd = the socket). Every Wake adds 1 to the eventfd; a Wait that finds
// it empties the counter and reports kWoken. Readiness reports of one epoll_wait are handed out
// one per Wait, in the order the kernel gave them.
#include "platform/event_loop.h"

#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <new>

namespace vkt::platform {

namespace {
constexpr int kBatch = 8;
}

struct EventLoop::State {
    int epollFd = -1;
    int eventFd = -1;
    epoll_event events[kBatch] = {};
    int count = 0;
    int next = 0;
    ~State() {
        if (eventFd >= 0) ::close(eventFd);
        if (epollFd >= 0) ::close(epollFd);
    }
};

EventLoop::EventLoop(std::unique_ptr<State> state) : state_(std::move(state)) {}

EventLoop::~EventLoop() = default;

std::unique_ptr<EventLoop> EventLoop::Create() {
    std::unique_ptr<State> state(new (std::nothrow) State);
    if (state == nullptr) return nullptr;
    state->epollFd = ::epoll_create1(EPOLL_CLOEXEC);
    if (state->epollFd < 0) return nullptr;
    state->eventFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (state->eventFd < 0) return nullptr;
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = state->eventFd;
    if (::epoll_ctl(state->epollFd, EPOLL_CTL_ADD, state->eventFd, &event) != 0) return nullptr;
    return std::unique_ptr<EventLoop>(new (std::nothrow) EventLoop(std::move(state)));
}

bool EventLoop::Watch(SocketHandle socket, bool enabled) {
    if (socket < 0 || socket == state_->eventFd) {
        errno = EBADF;
        return false;
    }
    if (enabled) {
        epoll_event event{};
        event.events = EPOLLIN | EPOLLRDHUP;  // level triggered
        event.data.fd = socket;
        if (::epoll_ctl(state_->epollFd, EPOLL_CTL_ADD, socket, &event) == 0) return true;
        return errno == EEXIST && ::epoll_ctl(state_->epollFd, EPOLL_CTL_MOD, socket, &event) == 0;
    }
    // An fd that is not in the set, or already closed (the kernel then dropped it from the
    // set), counts as done.
    return ::epoll_ctl(state_->epollFd, EPOLL_CTL_DEL, socket, nullptr) == 0 || errno == ENOENT ||
           errno == EBADF;
}

void EventLoop::Wake() {
    const std::uint64_t one = 1;
    while (::write(state_->eventFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

EventLoop::Ready EventLoop::Wait(SocketHandle* socket) {
    while (state_->next >= state_->count) {
        state_->next = 0;
        state_->count = ::epoll_wait(state_->epollFd, state_->events, kBatch, -1);
        if (state_->count < 0) {
            state_->count = 0;
            if (errno == EINTR) continue;
            return Ready::kFailed;
        }
    }
    const int fd = state_->events[state_->next++].data.fd;
    if (fd == state_->eventFd) {
        std::uint64_t pending = 0;
        while (::read(state_->eventFd, &pending, sizeof pending) < 0 && errno == EINTR) {
        }
        return Ready::kWoken;
    }
    *socket = fd;
    return Ready::kSocket;
}

// POLLRDHUP is checked before FIONREAD: after the peer's FIN no more data can arrive, so "no
// unread byte" is then final.
SocketReadiness ProbeSocket(SocketHandle socket) {
    pollfd probe{socket, static_cast<short>(POLLIN | POLLRDHUP), 0};
    if (::poll(&probe, 1, 0) <= 0 || (probe.revents & POLLNVAL) != 0) {
        return SocketReadiness::kNothing;
    }
    const bool peerClosed = (probe.revents & (POLLRDHUP | POLLHUP)) != 0;
    int unread = 0;
    const bool closed = peerClosed && ::ioctl(socket, FIONREAD, &unread) == 0 && unread == 0;
    return closed ? SocketReadiness::kClosed : SocketReadiness::kReadable;
}

// Two nice steps above the process's own level.
void RaiseThreadPriority() {
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, tid);
    if (nice == -1 && errno != 0) return;
    ::setpriority(PRIO_PROCESS, tid, nice - 2 < -20 ? -20 : nice - 2);
}

}  // namespace vkt::platform
