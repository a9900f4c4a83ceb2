// One outgoing frame, as every sender builds it: notifications off, fields, build, send.
#include "protocol/connect.h"
#include "runtime/net/connection.h"

namespace vkt::protocol {

std::int32_t SendMessage(runtime::Connection& connection, const char* characteristic,
                         const char* messageType, const void* data, std::uint32_t count) {
    connection.DisableNotifications();
    connection.SetCharacteristic(characteristic);
    connection.SetMessageType(messageType);
    connection.SetData(count != 0 ? data : nullptr, count);
    connection.SetData2(nullptr, 0);
    std::int32_t result = connection.BuildFrame();
    if (result == 0) result = connection.SendFrame();
    return result;
}

}  // namespace vkt::protocol
