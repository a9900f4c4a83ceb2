// The session timers as the dispatcher pauses and resumes them. The slot's timer indices are
// read, and the timers used, under the table mutex: a release on another thread frees them
// under the same mutex.
#include "protocol/dispatch.h"
#include "runtime/process/process_state.h"
#include "runtime/table/shared_table.h"
#include "runtime/table/slot_owner.h"
#include "runtime/table/table_lock.h"
#include "runtime/timer/session_timer.h"

namespace vkt::protocol {
namespace {

enum class TimerAction { Pause, Resume };

void ApplyToSessionTimers(TimerAction action, bool keepAliveToo = true) {
    runtime::SharedTable* table = runtime::Process().table;
    if (table == nullptr) return;
    runtime::TableLock lock(table);
    runtime::SessionSlot* slot = table->Slot();
    if (!lock.Held() || slot == nullptr || !runtime::SlotHeldHere(*slot)) return;
    for (std::uint32_t index : {keepAliveToo ? slot->keepAliveTimer : 0u, slot->idleWatchdog}) {
        runtime::SessionTimer* timer = runtime::TimerAt(index);
        if (timer == nullptr) continue;
        if (action == TimerAction::Pause) {
            timer->Pause();
        } else {
            timer->Resume();
        }
    }
}

}  // namespace

void PauseSessionTimers() {
    ApplyToSessionTimers(TimerAction::Pause);
}

void ResumeSessionTimers() {
    ApplyToSessionTimers(TimerAction::Resume);
}

void ResumeIdleWatchdog() {
    ApplyToSessionTimers(TimerAction::Resume, false);
}

}  // namespace vkt::protocol
