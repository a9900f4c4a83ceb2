#include "platform/fork_hook.h"

namespace vkt::platform {

void RunInChildAfterFork(void (*)()) {}

}  // namespace vkt::platform
