#include "cli/platform/immediate_exit.h"

#include <windows.h>

#include <cstdlib>

namespace vkt::cli {

void ExitImmediately(int status) {
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
    std::_Exit(status);  // not reached
}

}  // namespace vkt::cli
