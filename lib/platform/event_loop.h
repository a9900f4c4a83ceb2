// The process's one readiness loop: sockets watched for incoming data or the peer's close,
// and a wake-up that other threads post. The caller (the event thread) keeps its own queue of
// posted events and its own record of what it watches; the loop only reports readiness.
//
// Linux: epoll (level triggered, EPOLLIN | EPOLLRDHUP) with an eventfd for the wake-ups.
// Windows: WSAEventSelect (FD_READ | FD_CLOSE) with one event object per watched socket and
// one for the wake-ups, waited for by WaitForMultipleObjects; a watched socket is reported
// again on every Wait while data stays unread or the close stays unhandled, as on Linux.
//
// Threads: Create, Wait and the destructor on the event thread (Wait on it only); Watch and
// Wake from any thread.
#pragma once

#include <memory>

#include "platform/sockets.h"

namespace vkt::platform {

class EventLoop {
  public:
    // Null when the loop's resources cannot be had.
    static std::unique_ptr<EventLoop> Create();
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // Starts (enabled) or stops watching socket. Stopping a socket that is not watched, or no
    // longer open, succeeds. False with the socket error set on failure.
    bool Watch(SocketHandle socket, bool enabled);
    // Makes a Wait in progress, or the next one, return kWoken. Wake-ups posted before a Wait
    // may be reported by one kWoken.
    void Wake();

    enum class Ready { kWoken, kSocket, kFailed };
    // Waits without time-out for a wake-up or a watched socket's readiness (*socket set).
    Ready Wait(SocketHandle* socket);

  private:
    struct State;
    explicit EventLoop(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// What a socket holds now, never waiting.
enum class SocketReadiness {
    kNothing,   // nothing to read and not closed, or the socket is no longer open
    kReadable,  // data waits (possibly with the peer's close behind it)
    kClosed,    // the peer closed and no unread byte is left
};
SocketReadiness ProbeSocket(SocketHandle socket);

// Raises the calling thread's scheduling priority a little above the process's own (an
// ordinary, never a real-time, priority); silently kept as it is without the privilege.
void RaiseThreadPriority();

}  // namespace vkt::platform
