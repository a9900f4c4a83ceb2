#include "platform/fork_hook.h"

#include <pthread.h>

namespace vkt::platform {

void RunInChildAfterFork(void (*hook)()) {
    pthread_atfork(nullptr, nullptr, hook);
}

}  // namespace vkt::platform
