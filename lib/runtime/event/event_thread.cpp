// The event thread's readiness loop, its start and stop, and the two ways in: watching a
// socket and posting an event.
//
// The epoll set holds the eventfd (data.fd = eventFd_) and at most the watched sockets
// (data.fd = the socket). Posted events wait in a FIFO queue; every Post adds 1 to the eventfd,
// and the loop, woken by it, empties the counter and then takes the queue one event at a time.
#include "runtime/event/event_thread.h"

#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <new>
#include <system_error>

#include "runtime/event/event_handlers.h"
#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"
#include "runtime/status/status_code.h"

namespace vkt::runtime {

namespace {

std::mutex& LifeLock() {  // serialises Start and Shutdown
    static std::mutex lock;
    return lock;
}

std::atomic<EventThread*> gCurrent{nullptr};

// Two nice steps above the process's own level: a raised but ordinary (not real-time)
// priority, so socket and timer events are handled promptly. Refused without the privilege; the
// thread then keeps the normal priority.
void RaisePriority() {
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, tid);
    if (nice == -1 && errno != 0) return;
    ::setpriority(PRIO_PROCESS, tid, nice - 2 < -20 ? -20 : nice - 2);
}

}  // namespace

std::int32_t EventThread::Start() {
    std::lock_guard<std::mutex> guard(LifeLock());
    if (gCurrent.load() != nullptr) return kStatusOk;
    EventThread* thread = new (std::nothrow) EventThread;
    if (thread == nullptr) return kEventThreadFailed;
    if (!thread->Open()) {
        delete thread;
        return kEventThreadFailed;
    }
    try {
        thread->thread_ = std::thread(&EventThread::Loop, thread);
    } catch (const std::system_error&) {
        delete thread;
        return kEventThreadFailed;
    }
    gCurrent.store(thread);
    return kStatusOk;
}

EventThread* EventThread::Current() {
    return gCurrent.load();
}

void EventThread::Shutdown() {
    std::lock_guard<std::mutex> guard(LifeLock());
    EventThread* thread = gCurrent.exchange(nullptr);
    if (thread == nullptr) return;
    thread->Post(EventKind::Stop);
    if (thread->thread_.joinable()) thread->thread_.join();
    delete thread;
}

EventThread::~EventThread() {
    if (eventFd_ >= 0) ::close(eventFd_);
    if (epollFd_ >= 0) ::close(epollFd_);
}

bool EventThread::Open() {
    epollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
    if (epollFd_ < 0) return false;
    eventFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (eventFd_ < 0) return false;
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = eventFd_;
    return ::epoll_ctl(epollFd_, EPOLL_CTL_ADD, eventFd_, &event) == 0;
}

bool EventThread::WatchSocket(int fd, bool enabled) {
    if (fd < 0 || fd == eventFd_) {
        errno = EBADF;
        return false;
    }
    std::lock_guard<std::mutex> guard(watchLock_);
    if (enabled) {
        epoll_event event{};
        event.events = EPOLLIN | EPOLLRDHUP;  // level triggered
        event.data.fd = fd;
        if (::epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &event) != 0) {
            if (errno != EEXIST || ::epoll_ctl(epollFd_, EPOLL_CTL_MOD, fd, &event) != 0) {
                return false;
            }
        }
        try {
            watched_.insert(fd);
        } catch (const std::bad_alloc&) {
            ::epoll_ctl(epollFd_, EPOLL_CTL_DEL, fd, nullptr);
            errno = ENOMEM;
            return false;
        }
        return true;
    }
    // Not being watched is what was asked for: an fd that is not in the set, or already
    // closed (the kernel then dropped it from the set), counts as done.
    if (::epoll_ctl(epollFd_, EPOLL_CTL_DEL, fd, nullptr) != 0 && errno != ENOENT &&
        errno != EBADF) {
        return false;
    }
    watched_.erase(fd);
    return true;
}

bool EventThread::IsWatched(int fd) {
    std::lock_guard<std::mutex> guard(watchLock_);
    return watched_.count(fd) != 0;
}

void EventThread::Post(EventKind kind, ConnectionTag origin) {
    {
        std::lock_guard<std::mutex> guard(queueLock_);
        try {
            queue_.push_back(Posted{kind, origin});
        } catch (const std::bad_alloc&) {
            return;  // the event is lost, as a full message queue would lose it
        }
    }
    const std::uint64_t one = 1;
    while (::write(eventFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void EventThread::Loop() {
    RaisePriority();
    constexpr int kBatch = 8;
    epoll_event events[kBatch];
    for (;;) {
        const int count = ::epoll_wait(epollFd_, events, kBatch, -1);
        if (count < 0) {
            if (errno == EINTR) continue;
            return;
        }
        for (int i = 0; i < count; ++i) {
            if (events[i].data.fd == eventFd_) {
                if (!DeliverPosted()) return;
            } else {
                DeliverSocket(events[i].data.fd);
            }
        }
    }
}

bool EventThread::DeliverPosted() {
    std::uint64_t pending = 0;
    while (::read(eventFd_, &pending, sizeof pending) < 0 && errno == EINTR) {
    }
    for (;;) {
        Posted posted{EventKind::Stop, {}};
        {
            std::lock_guard<std::mutex> guard(queueLock_);
            if (queue_.empty()) return true;
            posted = queue_.front();
            queue_.pop_front();
        }
        switch (posted.kind) {
            case EventKind::Stop:
                return false;
            case EventKind::IdleTimeout:
                HandleIdleTimeout(posted.origin);
                break;
            case EventKind::KeepAliveDue:
                HandleKeepAliveDue(posted.origin);
                break;
            case EventKind::SocketReadable:
            case EventKind::SocketClosed:
                break;  // socket events are never posted
        }
    }
}

// A readiness report is acted on only while the socket is still watched (another thread may
// have switched notifications off since epoll_wait returned) and is the process connection's
// socket, and is classified from the socket's present state: POLLRDHUP is checked before
// FIONREAD, since after the peer's FIN no more data can arrive, so "no unread byte" is then
// final. The tag is read before the probe and checked after it, so the event and the state
// it was classified from belong to the same connection.
void EventThread::DeliverSocket(int fd) {
    if (!IsWatched(fd)) return;
    Connection* connection = Process().connection;
    if (connection == nullptr || connection->Socket() != fd) return;
    const ConnectionTag origin = connection->Tag();
    pollfd probe{fd, static_cast<short>(POLLIN | POLLRDHUP), 0};
    if (::poll(&probe, 1, 0) <= 0 || (probe.revents & POLLNVAL) != 0) return;
    const bool peerClosed = (probe.revents & (POLLRDHUP | POLLHUP)) != 0;
    int unread = 0;
    const bool closed = peerClosed && ::ioctl(fd, FIONREAD, &unread) == 0 && unread == 0;
    if (connection->Socket() != fd || !(connection->Tag() == origin)) return;
    if (closed) {
        {
            // A close is reported once: the socket leaves the watch set first. Under the send
            // lock and checked again, because a disconnect and a new connect (both under that
            // lock) may meanwhile have given this descriptor number to the next connection.
            std::lock_guard<std::recursive_mutex> sending(connection->SendLock());
            if (connection->Socket() != fd || !(connection->Tag() == origin)) return;
            WatchSocket(fd, false);
        }
        HandleSocketClosed(origin);
        return;
    }
    HandleSocketReadable(origin);
}

}  // namespace vkt::runtime
