#include "platform/secure_wipe.h"

#include <cstring>

namespace vkt::platform {

void SecureWipe(void* memory, std::size_t size) {
    explicit_bzero(memory, size);
}

}  // namespace vkt::platform
