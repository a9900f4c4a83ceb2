// VKTVerificar: checks a file and returns the server's answer about it (waits for it).
#include <cstdint>

#include "protocol/verify.h"
#include "vkt32.h"

extern "C" VKT_EXPORT int32_t VKT_CALL VKTVerificar(int32_t sesion, const char* archivo,
                                                    int32_t tipo, char* respuesta, int32_t* largo) {
    return vkt::protocol::VerifyFile(sesion, archivo, tipo, respuesta, largo);
}
