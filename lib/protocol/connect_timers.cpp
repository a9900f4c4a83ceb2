// The two session timers of a new session: made, registered, stored in the slot, started.
#include <new>

#include "protocol/connect.h"
#include "runtime/event/event_thread.h"
#include "runtime/process/process_state.h"
#include "runtime/status/status_code.h"
#include "runtime/table/shared_table.h"
#include "runtime/table/slot_owner.h"
#include "runtime/table/table_lock.h"
#include "runtime/timer/session_timer.h"

namespace vkt::protocol {
namespace {

using runtime::SessionTimer;

// A registered timer of the given kind for the session, or 0 (nothing left behind).
std::uint32_t NewRegisteredTimer(SessionTimer::Kind kind, std::int32_t sessionId) {
    runtime::ProcessState& process = runtime::Process();
    SessionTimer* timer = new (std::nothrow) SessionTimer(
        kind, sessionId, runtime::EventThread::Current(), process.connection, process.errors);
    if (timer == nullptr) return 0;
    const std::uint32_t index = runtime::RegisterTimer(timer);
    if (index == 0) delete timer;
    return index;
}

void DropRegisteredTimer(std::uint32_t index) {
    SessionTimer* timer = runtime::TimerAt(index);
    runtime::UnregisterTimer(index);
    delete timer;  // stops it first
}

}  // namespace

std::int32_t StartSessionTimers(std::int32_t sessionId) {
    const std::uint32_t keepAlive = NewRegisteredTimer(SessionTimer::Kind::KeepAlive, sessionId);
    const std::uint32_t watchdog =
        keepAlive != 0 ? NewRegisteredTimer(SessionTimer::Kind::Watchdog, sessionId) : 0;

    runtime::SharedTable* table = runtime::Process().table;
    bool stored = false;
    if (watchdog != 0 && table != nullptr) {
        runtime::TableLock lock(table);
        runtime::SessionSlot* slot = table->Slot();
        // The session may have ended meanwhile (the server closed the socket).
        if (lock.Held() && slot != nullptr && runtime::SlotHeldHere(*slot) &&
            slot->sessionId == sessionId) {
            slot->keepAliveTimer = keepAlive;
            slot->idleWatchdog = watchdog;
            // Under the mutex, like every use of a slot's timer: a release frees them under it.
            runtime::TimerAt(keepAlive)->Resume();
            runtime::TimerAt(watchdog)->Resume();
            stored = true;
        }
    }
    if (stored) return runtime::kStatusOk;
    if (watchdog != 0) DropRegisteredTimer(watchdog);
    if (keepAlive != 0) DropRegisteredTimer(keepAlive);
    return runtime::kNoMemory;
}

}  // namespace vkt::protocol
