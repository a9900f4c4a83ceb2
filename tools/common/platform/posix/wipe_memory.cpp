#include "common/platform/wipe_memory.h"

#include <string.h>

namespace vkt::tools {

void WipeMemory(void* bytes, std::size_t size) {
    explicit_bzero(bytes, size);
}

}  // namespace vkt::tools
