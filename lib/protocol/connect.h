// Opening a session: VKTConectar on the caller's thread, then the connect reply and the line
// parameters on the event thread.
#pragma once

#include <cstdint>

namespace vkt::runtime {
class Connection;
}

namespace vkt::protocol {

// The whole of VKTConectar. Returns 0 once the connect request and the follow-up are sent
// (activity stays 2 until the reply handlers end it), else the status code, recorded.
std::int32_t ConnectSession(const char* server, const char* service, const char* user,
                            const char* password, const char* path, std::int32_t timeout,
                            std::int32_t* session);

// State 1: the session-key reply (type "2", characteristic "1" or "4") opens the envelope into
// the slot's session key; 0 then, the activity left at 2 for the line parameters. A busy reply
// (type "0") records 40040 and keeps the session waiting; every other failure is recorded,
// releases the session and sets activity 1.
std::int32_t HandleConnectReply(runtime::Connection& connection);
// State 4: applies the line parameters "rate,size" to the connection. 0.
std::int32_t HandleLineParameters(runtime::Connection& connection);

// Sends one frame built from characteristic, message type and data (count bytes). The caller
// holds connection.SendLock(); notifications are switched off here and stay off. 0 or the
// status code of the build or the send.
std::int32_t SendMessage(runtime::Connection& connection, const char* characteristic,
                         const char* messageType, const void* data, std::uint32_t count);

// Creates the keep-alive timer and the idle watchdog of session id, stores them in the slot
// and starts both. 0, or 40100 when either cannot be made (none is left behind then).
std::int32_t StartSessionTimers(std::int32_t sessionId);

}  // namespace vkt::protocol
