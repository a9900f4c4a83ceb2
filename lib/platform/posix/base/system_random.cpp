#include "platform/system_random.h"

#include <sys/random.h>
#include <sys/types.h>

#include <cerrno>

namespace vkt::platform {

std::size_t FillSystemRandom(void* buffer, std::size_t size) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = getrandom(bytes + got, size - got, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;  // no entropy source
        }
        got += static_cast<std::size_t>(n);
    }
    return got;
}

}  // namespace vkt::platform
