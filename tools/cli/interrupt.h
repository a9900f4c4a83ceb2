// Ctrl-C and a request to end the program only set a flag: the program notices it between polls
// and ends what it does in order (terminal restored, session closed, partial file removed). The
// end of --timeout sets the same flag.
//
// Where the platforms differ:
//   Linux    SIGINT and SIGTERM, handled without SA_RESTART so that a blocking read or sleep
//            returns early.
//   Windows  a console control handler: Ctrl-C and Ctrl-Break interrupt; closing the console
//            window, logging off and shutting down terminate. The handler runs on a thread of
//            its own; for the last three it holds the process open a few seconds (the most
//            the system grants) so that the session is closed before the process ends.
#pragma once

namespace vkt::cli {

enum class Interrupt { kNone, kInterrupted, kTerminated, kTimedOut };

// Installs the handlers (platform/<system>/interrupt_handlers.cpp).
void InstallInterruptHandlers();

// What ended the run: the last request that arrived, kTimedOut when the time ran out first,
// kNone while nothing did.
Interrupt InterruptReceived();

// For the handlers: records a request (kInterrupted or kTerminated). Safe in a signal handler.
void NoteInterrupt(Interrupt what);

// Marks the time as run out, unless a request arrived first.
void NoteTimeUp();

// The exit status for a run that InterruptReceived() ended: 143 for a termination, 130 for an
// interrupt, 4 for the time-out.
int InterruptedStatus();

}  // namespace vkt::cli
