// The error reports the server sends: decimal code, "-", text (Latin-1, as on the wire).
#pragma once

namespace vkt::server {

constexpr char kReportUnknownUser[] = "40007-Intentos de conexi\xF3n por usuario no identificado";
constexpr char kReportConnectSequence[] = "40008-Error en secuencia de conexi\xF3n";
constexpr char kReportInconsistent[] = "40005-Mensaje inconsistente";
constexpr char kReportInternal[] = "40014-Error interno";
constexpr char kReportBusy[] = "40026-Estaciones en uso o problemas internos";
constexpr char kReportBadSignature[] = "40036-Error de integridad de archivo";
constexpr char kReportCannotUnseal[] = "40041-Imposible desencriptar mensaje";
constexpr char kReportUnknownFunction[] = "40042-Funci\xF3n no disponible";
constexpr char kReportNoSessionKey[] =
    "40044-Error en secuencia de mensaje: no hay clave de sesi\xF3n";
constexpr char kReportFileNotFound[] = "40050-Archivo no encontrado";
// A verify answer: the file needs no additional information and is sent as it is.
constexpr char kReportNoInformationNeeded[] = "40068-No se requiere informaci\xF3n adicional";

}  // namespace vkt::server
