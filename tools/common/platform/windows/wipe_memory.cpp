#include "common/platform/wipe_memory.h"

#include <windows.h>

namespace vkt::tools {

void WipeMemory(void* bytes, std::size_t size) {
    SecureZeroMemory(bytes, size);
}

}  // namespace vkt::tools
