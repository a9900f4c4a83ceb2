// SIGTERM, SIGINT and SIGHUP, handled on a thread of their own: no handler runs inside another
// thread's work. Block must run in main before any other thread starts, so that every thread
// inherits the blocked set and only the watching thread takes these signals (with sigwait).
#pragma once

#include <functional>

namespace vkt::server {

// Blocks the three signals in the calling thread; false when that fails.
bool BlockServerSignals();

// Starts the watching thread, which runs for the life of the process: stop on the first
// SIGTERM or SIGINT (later ones are ignored, the stop is under way), reload on each SIGHUP.
// false when the thread cannot start.
bool WatchServerSignals(std::function<void()> stop, std::function<void()> reload);

}  // namespace vkt::server
