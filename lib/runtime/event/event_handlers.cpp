// The handlers of the event thread's events and the release of the session from that thread.
//
// The slot's timer indices and session id are read under the table mutex, and a timer found
// through them is used only while the mutex is held: ReleaseSlot (on any thread) frees the
// timers under the same mutex, so a timer cannot vanish while a handler pauses or resumes it.
// Timer calls made under the mutex may wait for a tick in progress; ticks never take the
// table mutex. The mutex is never held while receiving, sending or dispatching.
//
// Only a session that this process holds (slot in use, claimed by this process) is touched:
// the slot is machine-wide, and its timer indices mean something only in the owner's process,
// so a socket event in a process whose connect has not claimed the slot must not end another
// process's session.
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
std::atomic<ReleaseHook> gReleaseHook{nullptr};

// Holds the table mutex for its lifetime and gives the slot of this process's session.
class OwnedSlotLock {
  public:
    OwnedSlotLock() : table_(Process().table) { held_ = table_ != nullptr && table_->Lock(); }
    ~OwnedSlotLock() {
        if (held_) table_->Unlock();
    }
    OwnedSlotLock(const OwnedSlotLock&) = delete;
    OwnedSlotLock& operator=(const OwnedSlotLock&) = delete;

    // The slot when this process holds the session in it, else null.
    SessionSlot* Slot() const {
        if (!held_) return nullptr;
        SessionSlot* slot = table_->Slot();
        return slot != nullptr && SlotHeldHere(*slot) ? slot : nullptr;
    }

  private:
    SharedTable* table_;
    bool held_ = false;
};

void SetActivity(std::uint32_t activity) {
    if (StatusBlock* status = Process().status) status->SetActivity(activity);
}

void RecordFailure(std::int32_t code) {
    if (ErrorList* errors = Process().errors) errors->Add(code);
    SetActivity(kActivityFailed);
}

// Stops the idle watchdog, then the keep-alive timer; both keep their counters.
void StopSessionTimers() {
    OwnedSlotLock lock;
    SessionSlot* slot = lock.Slot();
    if (slot == nullptr) return;
    if (SessionTimer* watchdog = TimerAt(slot->idleWatchdog)) watchdog->Kill();
    if (SessionTimer* keepAlive = TimerAt(slot->keepAliveTimer)) keepAlive->Kill();
}

// Under the send lock: a sender on another thread turns notifications back on itself once it
// has recorded the state its reply belongs to.
void EnableNotificationsIfConnected() {
    Connection* connection = Process().connection;
    if (connection == nullptr) return;
    std::lock_guard<std::recursive_mutex> sending(connection->SendLock());
    if (connection->IsConnected()) connection->EnableNotifications();
}

}  // namespace

void SetDispatchHook(DispatchHook hook) {
    gDispatchHook.store(hook);
}

DispatchHook CurrentDispatchHook() {
    return gDispatchHook.load();
}

void SetReleaseHook(ReleaseHook hook) {
    gReleaseHook.store(hook);
}

void ReleaseSession() {
    ProcessState& process = Process();
    // The release sends the disconnect notice: like every sender it holds the send lock, so
    // its fields never mix with another thread's message.
    std::unique_lock<std::recursive_mutex> sending;
    if (process.connection != nullptr) {
        sending = std::unique_lock<std::recursive_mutex>(process.connection->SendLock());
    }
    TableAccess access(process.table, process.connection);
    const std::int32_t sessionId = access.HeldSessionId();
    if (sessionId <= 0) return;  // no session of this process
    ReleaseHook hook = gReleaseHook.load();
    if (hook != nullptr) hook(false);
    access.ReleaseSlot(sessionId);
    if (hook != nullptr) hook(true);
}

void HandleSocketReadable() {
    Connection* connection = Process().connection;
    if (connection == nullptr) return;

    // The watchdog does not count while a frame is being read.
    std::uint32_t watchdogIndex = 0;
    bool watchdogRan = false;
    {
        OwnedSlotLock lock;
        if (SessionSlot* slot = lock.Slot()) {
            watchdogIndex = slot->idleWatchdog;
            if (SessionTimer* watchdog = TimerAt(watchdogIndex)) {
                watchdogRan = watchdog->IsRunning() != 0;
                if (watchdogRan) watchdog->Pause();
            }
        }
    }

    connection->DisableNotifications();
    const std::int32_t result = connection->ReceiveFrame();

    if (result == kStatusOk || result == kServerKeepAlive || result == kNothingWaiting) {
        {
            // The same watchdog, if the session still has it: a frame (keep-alives included)
            // clears the count of silent periods; an empty read leaves it as it was.
            OwnedSlotLock lock;
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
            if (DispatchHook dispatch = CurrentDispatchHook()) dispatch(*connection);
        }
    } else {
        RecordFailure(result);
        ReleaseSession();
    }
    EnableNotificationsIfConnected();
}

void HandleSocketClosed() {
    RecordFailure(kServerClosed);
    StopSessionTimers();
    ReleaseSession();
}

void HandleIdleTimeout() {
    SetActivity(kActivityRunning);
    StopSessionTimers();
    ReleaseSession();
    SetActivity(kActivityFailed);  // 49997 was recorded by the watchdog
}

void HandleKeepAliveDue() {
    Connection* connection = Process().connection;
    if (connection == nullptr) return;
    std::int32_t result;
    {
        std::lock_guard<std::recursive_mutex> sending(connection->SendLock());
        if (!connection->IsConnected()) return;
        connection->DisableNotifications();
        connection->SetCharacteristic("1");
        connection->SetMessageType("0");
        connection->SetData(nullptr, 0);
        connection->SetData2(nullptr, 0);
        result = connection->BuildFrame();
        if (result == kStatusOk) result = connection->SendFrame();
        if (result == kStatusOk) {
            connection->EnableNotifications();
            return;
        }
    }
    RecordFailure(result);
    ReleaseSession();
}

}  // namespace vkt::runtime
