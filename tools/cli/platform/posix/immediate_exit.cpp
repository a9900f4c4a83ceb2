#include "cli/platform/immediate_exit.h"

#include <unistd.h>

namespace vkt::cli {

void ExitImmediately(int status) {
    _exit(status);
}

}  // namespace vkt::cli
