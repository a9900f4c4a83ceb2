#include "cli/platform/pause.h"

#include <time.h>

namespace vkt::cli {

void PauseMilliseconds(long milliseconds) {
    const timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    nanosleep(&pause, nullptr);  // a signal ends it early
}

}  // namespace vkt::cli
