#include <windows.h>

#include "cli/interrupt.h"

namespace vkt::cli {
namespace {

// The system ends the process 5 s after a close, log-off or shut-down event reaches it; until
// then the main thread closes the session and exits, which ends this thread too.
constexpr DWORD kHoldOpenMilliseconds = 4500;

BOOL WINAPI Remember(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            NoteInterrupt(Interrupt::kInterrupted);
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            NoteInterrupt(Interrupt::kTerminated);
            Sleep(kHoldOpenMilliseconds);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void InstallInterruptHandlers() {
    SetConsoleCtrlHandler(Remember, TRUE);
}

}  // namespace vkt::cli
