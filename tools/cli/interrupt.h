// Ctrl-C (SIGINT) and SIGTERM only set a flag: the program notices it between polls and ends
// what it does in order (terminal restored, session closed, partial file removed). The end of
// --timeout sets the same flag, as SIGALRM.
#pragma once

namespace vkt::cli {

// Installs the handlers, without SA_RESTART so that a blocking read or sleep returns early.
void InstallInterruptHandlers();

// The signal that arrived (SIGINT or SIGTERM), SIGALRM when the time ran out, 0 when none did.
int InterruptSignal();

// Marks the time as run out, unless a signal arrived first.
void NoteTimeUp();

// The exit status for a run ended by InterruptSignal(): 143 for SIGTERM, 130 for SIGINT, 4 for
// the time-out.
int InterruptedStatus();

}  // namespace vkt::cli
