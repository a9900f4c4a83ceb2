// The second half of MostrarErrores: what is done with the records read from the library.
#pragma once

#include <cstdint>

#include "binding/lib_vkt32.h"

namespace vkt::client {

// Logs every record in order, ends the session at the first record with a code that ends it
// (while a session is open), then shows the last record's "[code] text" in a box titled
// "Error". Nothing happens for count <= 0; at most 10 records are read.
void InformarErrores(const ClientErrorRecord* records, std::int32_t count);

// True for the codes after which the client ends its side of the session.
bool EndsSession(std::int32_t code);

}  // namespace vkt::client
