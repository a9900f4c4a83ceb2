// The handlers of the event thread's events and the release of the session from that thread.
//
// The slot's timer indices and session id are read under the table mutex, and a timer found
// through them is used only while the mutex is held: ReleaseSlot (on any thread) frees the
// timers under the same mutex, so a timer cannot vanish while a handler pauses or resumes it.
// Timer calls made under the mutex may wait for a tick in progress; ticks never take the
// table mutex. The handlers never hold the mutex while they receive, send or dispatch; the one
// frame sent under it is the disconnect notice of a release (ReleaseSlot, reached here through
// ReleaseSessionOf), bounded by the connection's time-out. That cannot deadlock: the release
// takes the send lock before the table mutex, the order every holder of both keeps, and the
// receive its close waits for holds neither (lib/runtime/LOCKS.md).
//
// Only the session an event belongs to is touched, and only while this process holds it (slot
// in use, claimed by this process, under that id): the slot is machine-wide, its timer indices
// mean something only in the owner's process, and an event raised for a session that has
// ended since must not end the next one. A socket event of a connection with no session bound
// (none claimed) releases nothing.
#include "runtime/event/event_handlers.h"

#include <atomic>
#include <mutex>

#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"
#include "runtime/status/status_code.h"
#include "runtime/table/shared_table.h"
#include "runtime/table/slot_owner.h"
#include "runtime/table/table_access.h"
#include "runtime/timer/session_timer.h"

namespace vkt::runtime {

namespace {

std::atomic<DispatchHook> gDispatchHook{nullptr};

// Holds the table mutex for its lifetime and gives the slot of the session sessionId while
// this process holds it.
class SessionSlotLock {
  public:
    explicit SessionSlotLock(std::int32_t sessionId)
        : table_(Process().table), sessionId_(sessionId) {
        held_ = table_ != nullptr && table_->Lock();
    }
    ~SessionSlotLock() {
        if (held_) table_->Unlock();
    }
    SessionSlotLock(const SessionSlotLock&) = delete;
    SessionSlotLock& operator=(const SessionSlotLock&) = delete;

    // The slot, or null when the session is not (or no longer) this process's.
    SessionSlot* Slot() const {
        if (!held_ || sessionId_ <= 0) return nullptr;
        SessionSlot* slot = table_->Slot();
        return slot != nullptr && SlotHeldHere(*slot) && slot->sessionId == sessionId_ ? slot
                                                                                       : nullptr;
    }

  private:
    SharedTable* table_;
    std::int32_t sessionId_;
    bool held_ = false;
};

bool SessionHeld(std::int32_t sessionId) {
    return SessionSlotLock(sessionId).Slot() != nullptr;
}

// The event still belongs to the process's connection as it is now: the same generation and,
// when a session is bound, that session still held.
bool StillCurrent(const Connection* connection, ConnectionTag origin) {
    return connection != nullptr && connection->Tag() == origin &&
           (origin.sessionId <= 0 || SessionHeld(origin.sessionId));
}

std::unique_lock<std::recursive_mutex> LockSending(Connection* connection) {
    if (connection == nullptr) return {};
    return std::unique_lock<std::recursive_mutex>(connection->SendLock());
}

void SetActivity(std::uint32_t activity) {
    if (StatusBlock* status = Process().status) status->SetActivity(activity);
}

// The code recorded, the session released, activity 1 last.
void EndSession(std::int32_t code, std::int32_t sessionId) {
    if (ErrorList* errors = Process().errors) errors->Add(code);
    ReleaseSessionOf(sessionId);
    SetActivity(kActivityFailed);
}

// Stops the session's idle watchdog, then its keep-alive timer; both keep their counters.
void StopSessionTimers(std::int32_t sessionId) {
    SessionSlotLock lock(sessionId);
    SessionSlot* slot = lock.Slot();
    if (slot == nullptr) return;
    if (SessionTimer* watchdog = TimerAt(slot->idleWatchdog)) watchdog->Kill();
    if (SessionTimer* keepAlive = TimerAt(slot->keepAliveTimer)) keepAlive->Kill();
}

// Under the send lock: a sender on another thread turns notifications back on itself once it
// has recorded the state its reply belongs to. Never for a connection of another tag: a new
// connect turns them on once its own reply is awaited.
void EnableNotificationsIfCurrent(Connection& connection, ConnectionTag origin) {
    std::lock_guard<std::recursive_mutex> sending(connection.SendLock());
    if (connection.IsConnected() && connection.Tag() == origin) connection.EnableNotifications();
}

}  // namespace

void SetDispatchHook(DispatchHook hook) {
    gDispatchHook.store(hook);
}

DispatchHook CurrentDispatchHook() {
    return gDispatchHook.load();
}

// The release sends the disconnect notice: like every sender it holds the send lock, so its
// fields never mix with another thread's message.
bool ReleaseSessionOf(std::int32_t sessionId) {
    if (sessionId <= 0) return false;
    ProcessState& process = Process();
    std::unique_lock<std::recursive_mutex> sending = LockSending(process.connection);
    TableAccess access(process.table, process.connection);
    if (access.HeldSessionId() != sessionId) return false;
    access.ReleaseSlot(sessionId);
    return true;
}

void ReleaseSession() {
    ProcessState& process = Process();
    std::unique_lock<std::recursive_mutex> sending = LockSending(process.connection);
    ReleaseSessionOf(TableAccess(process.table, process.connection).HeldSessionId());
}

void HandleSocketReadable(ConnectionTag origin) {
    Connection* connection = Process().connection;
    if (connection == nullptr) return;
    {
        // Checked and switched off under the send lock: a disconnect and a new connect on the
        // caller's thread (both under that lock) may reuse this descriptor number, and the new
        // connection's watch must never be the one turned off here.
        std::lock_guard<std::recursive_mutex> sending(connection->SendLock());
        if (!(connection->Tag() == origin)) return;
        connection->DisableNotifications();
    }

    // The watchdog does not count while a frame is being read.
    std::uint32_t watchdogIndex = 0;
    bool watchdogRan = false;
    {
        SessionSlotLock lock(origin.sessionId);
        if (SessionSlot* slot = lock.Slot()) {
            watchdogIndex = slot->idleWatchdog;
            if (SessionTimer* watchdog = TimerAt(watchdogIndex)) {
                watchdogRan = watchdog->IsRunning() != 0;
                if (watchdogRan) watchdog->Pause();
            }
        }
    }

    // Without the send lock: a receive may wait for the rest of a frame, and a disconnect on
    // the caller's thread must not wait with it (its close ends the receive at once).
    const std::int32_t result = connection->ReceiveFrameOf(origin.generation);

    std::unique_lock<std::recursive_mutex> sending = LockSending(connection);
    // Closed, reconnected or released while the frame was read: what was read is dropped.
    if (!StillCurrent(connection, origin)) return;
    if (result == kStatusOk || result == kServerKeepAlive || result == kNothingWaiting) {
        {
            // The same watchdog, if the session still has it: a frame (keep-alives included)
            // clears the count of silent periods; an empty read leaves it as it was.
            SessionSlotLock lock(origin.sessionId);
            SessionSlot* slot = lock.Slot();
            SessionTimer* watchdog = nullptr;
            if (slot != nullptr && watchdogIndex != 0 && slot->idleWatchdog == watchdogIndex) {
                watchdog = TimerAt(watchdogIndex);
            }
            if (watchdog != nullptr) {
                if (result != kNothingWaiting) {
                    watchdog->SetCounter(SessionTimer::kMissed, 0);
                    watchdog->SetCounter(SessionTimer::kSpare, 0);
                }
                if (watchdogRan) watchdog->Resume();
            }
        }
        if (result == kStatusOk) {
            // Dispatched without the send lock: a handler may run a whole transfer, and a
            // release on another thread (the program ending, a disconnect) must be able to cut
            // in between its frames. A new session needs far longer to begin (key check,
            // connect, claim) than the step from the check above to the dispatcher's reading
            // of the state.
            sending.unlock();
            if (DispatchHook dispatch = CurrentDispatchHook()) dispatch(*connection);
        }
    } else {
        EndSession(result, origin.sessionId);
    }
    EnableNotificationsIfCurrent(*connection, origin);
}

void HandleSocketClosed(ConnectionTag origin) {
    Connection* connection = Process().connection;
    std::unique_lock<std::recursive_mutex> sending = LockSending(connection);
    if (!StillCurrent(connection, origin)) return;
    StopSessionTimers(origin.sessionId);
    EndSession(kServerClosed, origin.sessionId);
}

void HandleIdleTimeout(ConnectionTag origin) {
    Connection* connection = Process().connection;
    std::unique_lock<std::recursive_mutex> sending = LockSending(connection);
    if (!StillCurrent(connection, origin)) return;  // ended since the watchdog fired
    SetActivity(kActivityRunning);
    StopSessionTimers(origin.sessionId);
    ReleaseSessionOf(origin.sessionId);
    SetActivity(kActivityFailed);  // 49997 was recorded by the watchdog
}

void HandleKeepAliveDue(ConnectionTag origin) {
    Connection* connection = Process().connection;
    if (connection == nullptr) return;
    std::lock_guard<std::recursive_mutex> sending(connection->SendLock());
    if (!connection->IsConnected() || !StillCurrent(connection, origin)) return;
    connection->DisableNotifications();
    connection->SetCharacteristic("1");
    connection->SetMessageType("0");
    connection->SetData(nullptr, 0);
    connection->SetData2(nullptr, 0);
    std::int32_t result = connection->BuildFrame();
    if (result == kStatusOk) result = connection->SendFrame();
    if (result == kStatusOk) {
        connection->EnableNotifications();
        return;
    }
    EndSession(result, origin.sessionId);
}

}  // namespace vkt::runtime
