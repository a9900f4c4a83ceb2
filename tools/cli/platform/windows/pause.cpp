#include "cli/platform/pause.h"

#include <windows.h>

namespace vkt::cli {

void PauseMilliseconds(long milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds));
}

}  // namespace vkt::cli
