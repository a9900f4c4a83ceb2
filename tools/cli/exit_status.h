// The exit statuses of vkt, which scripts can rely on. exit_class.h says which library code
// leads to which; the table is also in vkt --help and the README.
#pragma once

namespace vkt::cli {

enum ExitStatus : int {
    kExitOk = 0,             // sent and accepted / received and checked / answer received
    kExitRefused = 1,        // refused by the server or by the file's checks: a retry fails too
    kExitUsage = 2,          // bad command line, configuration, password or field values
    kExitNoLibrary = 3,      // libVKT32.so or one of its functions could not be loaded
    kExitTimedOut = 4,       // --timeout ran out, or the operation stopped making progress
    kExitSessionHeld = 5,    // the user's session is held by another process (--wait-session)
    kExitUnreachable = 6,    // network or server unreachable, or the session was lost: retry
    kExitLocalFile = 7,      // a local file cannot be found, opened, read or written
    kExitInterrupted = 130,  // SIGINT; the session was closed
    kExitTerminated = 143    // SIGTERM; the session was closed
};

}  // namespace vkt::cli
