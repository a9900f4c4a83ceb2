// The activity log VKT32.log (LogFilePath()): one calendar day of entries, in Latin-1 with
// CR LF line ends. An entry:
//
//   Sesión: <Config.Sesion>
//   Hora: <hora>
//   Tarea/Error: <tarea, trimmed>
//   Descripción: <descripcion, trimmed>
//   Status: [<status>]
//   <empty line>
#pragma once

#include <QString>
#include <cstdint>

namespace vkt::client {

// Appends one entry; 0, or the run-time error number after showing the error.
std::int32_t GrabarLog(const QString& hora, const QString& tarea, const QString& descripcion,
                       const QString& status);
// True when a log of today exists; a log last written on an earlier day is deleted (false).
bool CheckHistorial();
// The whole log as text (empty when there is none); a read failure is shown and gives "".
QString LeerHistorial();
// The local time of day as the log and the commands write it ("HH:MM:SS").
QString HoraActual();

}  // namespace vkt::client
