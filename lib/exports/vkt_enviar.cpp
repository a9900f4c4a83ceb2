// VKTEnviar: sends a file, signed and sealed; the transfer goes on after the call returns.
#include <cstdint>

#include "protocol/send.h"
#include "vkt32.h"

extern "C" VKT_EXPORT int32_t VKT_CALL VKTEnviar(int32_t sesion, const char* password,
                                                 const char* archivo, int32_t tipo,
                                                 const char* adicional, int32_t largo) {
    return vkt::protocol::SendFile(sesion, password, archivo, tipo, adicional, largo);
}
