// The lock shared by the error list and the status block: the caller's thread, the event
// thread and the timer threads all reach both.
#include <mutex>

#include "runtime/status/error_list.h"

namespace vkt::runtime {

std::mutex& StatusLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace vkt::runtime
