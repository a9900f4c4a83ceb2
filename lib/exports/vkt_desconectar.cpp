// VKTDesconectar: ends the session with the given id.
#include <cstdint>

#include "protocol/disconnect.h"
#include "vkt32.h"

extern "C" VKT_EXPORT int32_t VKT_CALL VKTDesconectar(int32_t sesion) {
    return vkt::protocol::DisconnectSession(sesion);
}
