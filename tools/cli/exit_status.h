// The exit statuses of vkt, which scripts can rely on.
#pragma once

namespace vkt::cli {

enum ExitStatus : int {
    kExitOk = 0,            // sent and accepted / received and checked / answer received
    kExitFailed = 1,        // the library or the server reported a failure (codes printed)
    kExitUsage = 2,         // bad command line, configuration, password or field values
    kExitNoLibrary = 3,     // libVKT32.so or one of its functions could not be loaded
    kExitStalled = 4,       // the operation did not end within the wait bound
    kExitInterrupted = 130  // Ctrl-C or SIGTERM; the session was closed
};

}  // namespace vkt::cli
