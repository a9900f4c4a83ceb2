#include "platform/local_time.h"

namespace vkt::platform {

bool LocalTime(std::time_t when, std::tm* out) {
    return localtime_s(out, &when) == 0;
}

}  // namespace vkt::platform
