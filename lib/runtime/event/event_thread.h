// The event thread: one per process, started by the first connect. A readiness loop
// (platform/event_loop.h) that delivers, one at a time and in arrival order:
//   socket readable      data is waiting while notifications are enabled
//   socket closed        the peer closed the connection and no data is left unread
//   idle time-out        posted by the idle watchdog
//   keep-alive due       posted by the keep-alive timer
//   stop                 posted at unload; ends the loop
// and runs the handlers of each (event_handlers.h). Frames other than keep-alives are handed
// to the protocol's dispatcher through a hook that the protocol layer installs.
//
// "Notifications enabled" for a socket means the loop watches it (level triggered). A
// readiness report is delivered only if the socket is still watched when
// its turn comes, and it is classified afresh then: peer closed with no unread byte is
// "closed", anything else "readable", so the last frames a peer
// sends before closing are always delivered before the close. "Closed" is delivered once: the
// socket leaves the watch first.
//
// Every event carries what it belongs to, as a connection tag (generation and session,
// connection.h): a socket event the tag as it was when the socket was classified, a timer's
// event the connection's generation at the tick and the timer's session. The handlers drop an
// event whose connection has been closed or reconnected, or whose session has ended, since it
// was raised (a session id alone could come round again).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "platform/event_loop.h"
#include "runtime/net/connection.h"
#include "runtime/net/notification_target.h"

namespace vkt::runtime {

enum class EventKind { SocketReadable, SocketClosed, IdleTimeout, KeepAliveDue, Stop };

class EventThread : public NotificationTarget {
  public:
    // Starts the process's event thread once; 0, or 40060 when it cannot be created. Any
    // thread may call it; concurrent calls start one thread.
    static std::int32_t Start();
    // The running event thread, or null.
    static EventThread* Current();
    // Posts stop, waits for the loop to end and joins it (unload; tests). Not from the event
    // thread itself.
    static void Shutdown();

    bool WatchSocket(int fd, bool enabled) override;
    // Idle time-out or keep-alive due, for the connection and session of origin; stop (origin
    // not used).
    void Post(EventKind kind, ConnectionTag origin = {});

    virtual ~EventThread();
    EventThread(const EventThread&) = delete;
    EventThread& operator=(const EventThread&) = delete;

  private:
    EventThread() = default;
    bool Open();  // the readiness loop
    void Loop();
    bool DeliverPosted();  // false once stop was taken
    void DeliverSocket(int fd);
    bool IsWatched(int fd);

    std::unique_ptr<platform::EventLoop> loop_;
    struct Posted {
        EventKind kind;
        ConnectionTag origin;
    };
    std::mutex queueLock_;  // guards queue_
    std::deque<Posted> queue_;
    std::mutex watchLock_;  // guards watched_ and serialises changes of the watch
    std::set<int> watched_;
    std::thread thread_;
};

// The protocol's dispatcher, run on the event thread for every frame that is not a keep-alive.
using DispatchHook = void (*)(Connection& connection);
void SetDispatchHook(DispatchHook hook);  // null: frames are dropped

}  // namespace vkt::runtime
