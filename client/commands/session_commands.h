// The session commands of the main window and the two waiting and error procedures every
// command relies on.
#pragma once

#include <cstdint>

namespace vkt::client {

void VKTConfigurar();    // resets the connection record, purges an old log
void VKTInitConexion();  // configuration dialog, then connect
void VKTFinConexion();   // disconnect

// Waits (responsive, without spinning) until the library's operation ends: 0 ended well,
// 1 failed (the errors shown). Progress texts go to MostrarTexto(destino, ...).
std::int32_t EsperarOperacion(int destino);
// Reads, logs and shows the library's recorded errors; ends the session on fatal codes.
void MostrarErrores();

}  // namespace vkt::client
