#include "platform/secure_wipe.h"

#include <windows.h>

namespace vkt::platform {

void SecureWipe(void* memory, std::size_t size) {
    SecureZeroMemory(memory, size);
}

}  // namespace vkt::platform
