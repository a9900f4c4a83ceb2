// The two ticks of a session timer, run on the timer's thread at the end of each period.
// They only set flags, record and post: the socket and the slot are the event thread's.
#include <mutex>

#include "runtime/event/event_thread.h"
#include "runtime/net/connection.h"
#include "runtime/status/error_list.h"
#include "runtime/status/status_block.h"
#include "runtime/status/status_code.h"
#include "runtime/timer/session_timer.h"

namespace vkt::runtime {

// What a posted event belongs to: this timer's session on the connection's present generation.
ConnectionTag SessionTimer::Origin(const Connection* connection) const {
    return ConnectionTag{connection != nullptr ? connection->Tag().generation : 0, sessionId_};
}

void SessionTimer::Tick(Kind kind) {
    if (kind == Kind::KeepAlive) {
        KeepAliveTick();
    } else {
        WatchdogTick();
    }
}

// Asks the event thread for a keep-alive frame and switches the socket's notifications back
// on, so that a connection left with notifications off is heard again. Not while a sender
// holds the send lock: it is between its request and recording the state the reply belongs
// to, and turns notifications on itself. The lock is only tried, so a release that holds it
// while it stops this timer never waits for this tick.
void SessionTimer::KeepAliveTick() {
    inCallback_.store(1);
    Connection* connection = connection_.load();
    if (running_.load() != 0 && connection != nullptr) {
        if (window_ != nullptr) window_->Post(EventKind::KeepAliveDue, Origin(connection));
        std::unique_lock<std::recursive_mutex> sending(connection->SendLock(), std::try_to_lock);
        if (sending.owns_lock()) connection->EnableNotifications();
    }
    inCallback_.store(0);
}

// Two ticks in a row without traffic (missed already 1) end the session: 49997 is recorded,
// the exchange in progress is abandoned and the event thread is told, which releases the
// session and only then sets activity 1. The tick leaves the activity alone: set to 1 here, a
// client would see the session ended, disconnect, and be refused with 40063 while the release
// runs under activity 2. The event thread resets `missed` whenever a frame arrives.
void SessionTimer::WatchdogTick() {
    inCallback_.store(1);
    bool fire = false;
    if (running_.load() != 0 && missed_.exchange(1) == 1) {
        if (errorList_ != nullptr) errorList_->Add(kServerSilent);
        fire = true;
    }
    inCallback_.store(0);
    if (!fire) return;
    Connection* connection = connection_.load();
    if (connection != nullptr) connection->SetAwaiting(Awaiting::kNothing);
    if (window_ != nullptr) window_->Post(EventKind::IdleTimeout, Origin(connection));
}

}  // namespace vkt::runtime
