// VKTSolicitar: requests a file into a folder; it arrives after the call returns and is checked
// against the server's digest.
#include <cstdint>

#include "protocol/request.h"
#include "vkt32.h"

extern "C" VKT_EXPORT int32_t VKT_CALL VKTSolicitar(int32_t sesion, const char* password,
                                                    const char* archivo, const char* directorio) {
    return vkt::protocol::RequestFile(sesion, password, archivo, directorio);
}
