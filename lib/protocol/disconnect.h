// Ending a session: VKTDesconectar, and the retirement of the process's connection.
#pragma once

#include <cstdint>

namespace vkt::protocol {

// The whole of VKTDesconectar: 0, 40063, 40100, 40039 or 40034 (recorded).
std::int32_t DisconnectSession(std::int32_t session);

// Closes the process's connection and returns it to the state of a new one: no socket, no
// buffers, block size 8,192, rate 0, kNothing, no kept password. The object itself stays (the
// event thread and the timers may still hold its address), so the next connect starts as with a
// fresh connection.
void RetireConnection();

}  // namespace vkt::protocol
