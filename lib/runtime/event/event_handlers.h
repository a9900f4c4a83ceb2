// What the event thread does with each event. All of them run on the event thread, one at a
// time; they use the process's connection, session slot, timers, error list and status block.
#pragma once

#include <cstdint>

#include "runtime/event/event_thread.h"
#include "runtime/net/connection.h"

namespace vkt::runtime {

// Each handler first drops a stale event: one whose connection is no longer of the tag it
// carries (closed or reconnected since), or whose session this process no longer holds.
// Failures are recorded first, the session is released, and activity 1 is set last, so a
// client that sees activity 1 finds the code in the error list and the slot free.

// Reads one frame: pauses the idle watchdog (noting whether it ran), switches notifications
// off, receives, then by result: 0 resets and restarts the watchdog and dispatches; 49998
// (server keep-alive) resets and restarts it; 49999 restarts it as it was; any other code is
// recorded and the session is released. Notifications go back on while connected. The check
// that the event is still current and what follows it run under the send lock, except the
// dispatch itself, which may run a whole transfer.
void HandleSocketReadable(ConnectionTag origin);
// The peer closed: 40064 recorded, watchdog and keep-alive timer stopped, session released.
void HandleSocketClosed(ConnectionTag origin);
// The idle watchdog of the session fired (it already recorded 49997): activity 2, both timers
// stopped, session released, activity 1.
void HandleIdleTimeout(ConnectionTag origin);
// Sends the keep-alive frame "1""0" with no data while the session's connection is open; a
// failure is recorded and the session released.
void HandleKeepAliveDue(ConnectionTag origin);

// Releases the session this process holds through a table accessor (disconnect notice,
// socket closed, timers stopped and freed, slot free).
void ReleaseSession();
// The same for the session sessionId only; false when this process no longer holds it.
bool ReleaseSessionOf(std::int32_t sessionId);

// The installed dispatcher, or null.
DispatchHook CurrentDispatchHook();

}  // namespace vkt::runtime
