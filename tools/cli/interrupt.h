// Ctrl-C (SIGINT) and SIGTERM only set a flag: the program notices it between polls and ends
// what it does in order (terminal restored, session closed, partial file removed).
#pragma once

namespace vkt::cli {

// Installs the handlers, without SA_RESTART so that a blocking read or sleep returns early.
void InstallInterruptHandlers();

// The signal that arrived (SIGINT or SIGTERM), 0 when none did.
int InterruptSignal();

}  // namespace vkt::cli
