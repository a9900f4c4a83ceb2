// The event thread's readiness loop, its start and stop, and the two ways in: watching a
// socket and posting an event.
//
// Posted events wait in a FIFO queue; every Post wakes the loop, which then takes the queue one
// event at a time.
#include "runtime/event/event_thread.h"

#include <atomic>
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

EventThread::~EventThread() = default;

bool EventThread::Open() {
    loop_ = platform::EventLoop::Create();
    return loop_ != nullptr;
}

bool EventThread::WatchSocket(int fd, bool enabled) {
    std::lock_guard<std::mutex> guard(watchLock_);
    if (!loop_->Watch(fd, enabled)) return false;
    if (!enabled) {
        watched_.erase(fd);
        return true;
    }
    try {
        watched_.insert(fd);
    } catch (const std::bad_alloc&) {
        loop_->Watch(fd, false);
        return false;
    }
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
    loop_->Wake();
}

void EventThread::Loop() {
    platform::RaiseThreadPriority();
    for (;;) {
        platform::SocketHandle socket = platform::kInvalidSocket;
        switch (loop_->Wait(&socket)) {
            case platform::EventLoop::Ready::kFailed:
                return;
            case platform::EventLoop::Ready::kWoken:
                if (!DeliverPosted()) return;
                break;
            case platform::EventLoop::Ready::kSocket:
                DeliverSocket(socket);
                break;
        }
    }
}

bool EventThread::DeliverPosted() {
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
// have switched notifications off since the loop reported it) and is the process connection's
// socket, and is classified from the socket's present state (platform::ProbeSocket). The tag is
// read before the probe and checked after it, so the event and the state it was classified from
// belong to the same connection.
void EventThread::DeliverSocket(int fd) {
    if (!IsWatched(fd)) return;
    Connection* connection = Process().connection;
    if (connection == nullptr || connection->Socket() != fd) return;
    const ConnectionTag origin = connection->Tag();
    const platform::SocketReadiness readiness = platform::ProbeSocket(fd);
    if (readiness == platform::SocketReadiness::kNothing) return;
    const bool closed = readiness == platform::SocketReadiness::kClosed;
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
