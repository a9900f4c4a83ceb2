// BCryptGenRandom takes a ULONG count, so large requests go in pieces.
#include "platform/system_random.h"

#include <windows.h>
// windows.h first: bcrypt.h relies on its types.
#include <bcrypt.h>

namespace vkt::platform {

std::size_t FillSystemRandom(void* buffer, std::size_t size) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t got = 0;
    while (got < size) {
        const std::size_t rest = size - got;
        const ULONG piece = rest > 0x10000000u ? 0x10000000u : static_cast<ULONG>(rest);
        if (!BCRYPT_SUCCESS(
                BCryptGenRandom(nullptr, bytes + got, piece, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
            break;  // no generator
        }
        got += piece;
    }
    return got;
}

}  // namespace vkt::platform
