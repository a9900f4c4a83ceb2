// A socket failure as the status callers see: ComposeStatus(<socket error number>, 1).
#pragma once

#include <cstdint>

#include "platform/sockets.h"
#include "runtime/status/status_code.h"

namespace vkt::runtime {

inline std::int32_t SocketStatus(std::int32_t socketError) {
    return ComposeStatus(socketError, kSourceNetwork);
}

// The status of this thread's last failed socket call.
inline std::int32_t LastSocketStatus() {
    return SocketStatus(platform::LastSocketError());
}

}  // namespace vkt::runtime
