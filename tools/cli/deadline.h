// --timeout: a bound on the whole command. At the deadline the run is marked as timed out
// (InterruptReceived() == Interrupt::kTimedOut), so the wait under way ends the session and vkt
// exits 4. A main thread held inside a library call that waits on its own (VKTVerificar waits up to
// a minute for the server's answer) cannot be reached that way: a short grace later the process
// ends itself with status 4. The library's unload cannot run then, as that call still uses the
// library; the session slot of a process that is gone is free to the next one, and a part
// file of a process that is gone is deleted by the next request into that folder.
#pragma once

#include <string>

namespace vkt::cli {

// Starts the deadline seconds from now; line is what the command concerns ("get NAME from
// HOST:PORT"), for the error line.
void StartDeadline(int seconds, const std::string& context);

// Prints "vkt: CONTEXT: timed out after N seconds; the session was ended", once per process.
void PrintTimedOut();

}  // namespace vkt::cli
