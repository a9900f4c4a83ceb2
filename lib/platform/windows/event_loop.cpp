// The readiness loop on Windows: WSAEventSelect (FD_READ | FD_CLOSE) gives each watched socket
// an event object; WaitForMultipleObjects waits for them and for an auto-reset event that Wake
// and every change of the watch set signal. WSAEnumNetworkEvents resets a socket's event and
// tells a close; a close once seen is reported on every Wait until the socket is unwatched, as
// epoll's level-triggered hang-up is on Linux, and a read that leaves data unread re-arms
// FD_READ. Event objects of unwatched sockets are closed by the loop's own thread, never while
// it may be waiting on them. At most 63 sockets are watched at once (one process watches one).
#include "platform/event_loop.h"

#include <winsock2.h>

#include <algorithm>
#include <mutex>
#include <new>
#include <vector>

namespace vkt::platform {

namespace {

SOCKET AsSocket(SocketHandle socket) {
    return static_cast<SOCKET>(static_cast<unsigned int>(socket));
}

struct Watched {
    SocketHandle socket;
    WSAEVENT event;
    bool closeSeen;
};

}  // namespace

struct EventLoop::State {
    std::mutex lock;  // guards everything below but wake
    HANDLE wake = nullptr;
    bool woken = false;
    std::vector<Watched> watched;
    std::vector<WSAEVENT> retired;
    ~State() {
        for (const Watched& entry : watched) WSACloseEvent(entry.event);
        for (WSAEVENT event : retired) WSACloseEvent(event);
        if (wake != nullptr) CloseHandle(wake);
    }
};

EventLoop::EventLoop(std::unique_ptr<State> state) : state_(std::move(state)) {}

EventLoop::~EventLoop() = default;

std::unique_ptr<EventLoop> EventLoop::Create() {
    std::unique_ptr<State> state(new (std::nothrow) State);
    if (state == nullptr) return nullptr;
    state->wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (state->wake == nullptr) return nullptr;
    return std::unique_ptr<EventLoop>(new (std::nothrow) EventLoop(std::move(state)));
}

bool EventLoop::Watch(SocketHandle socket, bool enabled) {
    if (socket == kInvalidSocket) {
        WSASetLastError(WSAENOTSOCK);
        return false;
    }
    std::lock_guard<std::mutex> guard(state_->lock);
    auto found = std::find_if(state_->watched.begin(), state_->watched.end(),
                              [socket](const Watched& entry) { return entry.socket == socket; });
    if (!enabled) {
        if (found == state_->watched.end()) return true;
        // A socket already closed has lost its association anyway.
        WSAEventSelect(AsSocket(socket), nullptr, 0);
        try {
            state_->retired.push_back(found->event);
        } catch (const std::bad_alloc&) {
            WSASetLastError(WSAENOBUFS);
            return false;
        }
        state_->watched.erase(found);
        SetEvent(state_->wake);
        return true;
    }
    if (found != state_->watched.end()) return true;
    if (state_->watched.size() + 1 >= MAXIMUM_WAIT_OBJECTS) {
        WSASetLastError(WSAEMFILE);
        return false;
    }
    const WSAEVENT event = WSACreateEvent();
    if (event == WSA_INVALID_EVENT) return false;
    try {
        state_->watched.push_back(Watched{socket, event, false});
    } catch (const std::bad_alloc&) {
        WSACloseEvent(event);
        WSASetLastError(WSAENOBUFS);
        return false;
    }
    if (WSAEventSelect(AsSocket(socket), event, FD_READ | FD_CLOSE) != 0) {
        const int error = WSAGetLastError();
        state_->watched.pop_back();
        WSACloseEvent(event);
        WSASetLastError(error);
        return false;
    }
    SetEvent(state_->wake);
    return true;
}

void EventLoop::Wake() {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->woken = true;
    SetEvent(state_->wake);
}

EventLoop::Ready EventLoop::Wait(SocketHandle* socket) {
    for (;;) {
        HANDLE handles[MAXIMUM_WAIT_OBJECTS];
        DWORD count = 0;
        {
            std::lock_guard<std::mutex> guard(state_->lock);
            for (WSAEVENT event : state_->retired) WSACloseEvent(event);
            state_->retired.clear();
            if (state_->woken) {
                state_->woken = false;
                return Ready::kWoken;
            }
            for (const Watched& entry : state_->watched) {
                if (entry.closeSeen) {
                    *socket = entry.socket;
                    return Ready::kSocket;
                }
            }
            handles[count++] = state_->wake;
            for (const Watched& entry : state_->watched) handles[count++] = entry.event;
        }
        const DWORD result = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        if (result == WAIT_FAILED || result >= WAIT_OBJECT_0 + count) return Ready::kFailed;
        if (result == WAIT_OBJECT_0) continue;  // woken, or the watch set changed
        std::lock_guard<std::mutex> guard(state_->lock);
        const HANDLE ready = handles[result - WAIT_OBJECT_0];
        auto found = std::find_if(state_->watched.begin(), state_->watched.end(),
                                  [ready](const Watched& entry) { return entry.event == ready; });
        if (found == state_->watched.end()) continue;  // unwatched meanwhile
        WSANETWORKEVENTS happened{};
        if (WSAEnumNetworkEvents(AsSocket(found->socket), found->event, &happened) != 0) {
            continue;  // closed meanwhile
        }
        if ((happened.lNetworkEvents & FD_CLOSE) != 0) found->closeSeen = true;
        if ((happened.lNetworkEvents & (FD_READ | FD_CLOSE)) != 0) {
            *socket = found->socket;
            return Ready::kSocket;
        }
    }
}

// A peek of one byte: data is readable; the end of the stream, or a connection reset, with
// nothing left unread is closed; nothing waiting, or no socket any more, is nothing.
SocketReadiness ProbeSocket(SocketHandle socket) {
    char byte = 0;
    const int n = ::recv(AsSocket(socket), &byte, 1, MSG_PEEK);
    if (n > 0) return SocketReadiness::kReadable;
    if (n == 0) return SocketReadiness::kClosed;
    switch (WSAGetLastError()) {
        case WSAEWOULDBLOCK:
        case WSAENOTSOCK:
        case WSAEINVAL:
        case WSAEINPROGRESS:
            return SocketReadiness::kNothing;
        default:
            return SocketReadiness::kClosed;
    }
}

void RaiseThreadPriority() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
}

}  // namespace vkt::platform
