// VKTConectar: opens a session; the outcome of the exchange shows in VKTEstado.
#include <cstdint>

#include "protocol/connect.h"
#include "vkt32.h"

extern "C" VKT_EXPORT int32_t VKT_CALL VKTConectar(const char* servidor, const char* servicio,
                                                   const char* usuario, const char* password,
                                                   const char* path, int32_t timeout,
                                                   int32_t* sesion) {
    return vkt::protocol::ConnectSession(servidor, servicio, usuario, password, path, timeout,
                                         sesion);
}
