#include "platform/clock_sample.h"

#include <time.h>

namespace vkt::platform {

ClockSample SampleClocks() {
    timespec real{}, mono{};
    clock_gettime(CLOCK_REALTIME, &real);
    clock_gettime(CLOCK_MONOTONIC, &mono);
    return {real.tv_sec, real.tv_nsec, mono.tv_sec, mono.tv_nsec};
}

}  // namespace vkt::platform
