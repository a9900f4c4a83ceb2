// What the event thread does with each event. All of them run on the event thread, one at a
// time; they use the process's connection, session slot, timers, error list and status block.
#pragma once

#include "runtime/event/event_thread.h"

namespace vkt::runtime {

// Reads one frame: pauses the idle watchdog (noting whether it ran), switches notifications
// off, receives, then by result: 0 resets and restarts the watchdog and dispatches; 49998
// (server keep-alive) resets and restarts it; 49999 restarts it as it was; any other code is
// recorded, activity 1 and the session is released. Notifications go back on while connected.
void HandleSocketReadable();
// The peer closed: 40064 recorded, activity 1, watchdog and keep-alive timer stopped, session
// released.
void HandleSocketClosed();
// The idle watchdog fired (it already recorded 49997): activity 2, both timers stopped,
// session released, activity 1.
void HandleIdleTimeout();
// Sends the keep-alive frame "1""0" with no data while connected; a failure is recorded,
// activity 1 and the session released.
void HandleKeepAliveDue();

// Releases the slot's current session through a table accessor (disconnect notice, socket
// closed, timers stopped and freed, slot free).
void ReleaseSession();

// The installed dispatcher, or null.
DispatchHook CurrentDispatchHook();

}  // namespace vkt::runtime
