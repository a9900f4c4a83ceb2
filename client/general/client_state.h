// The program's application-wide state (module General): the connection record, the transfer
// variables, the chooser's remembered place and the copy of the library's status record.
// One instance, used only on the GUI thread.
#pragma once

#include <QString>
#include <cstdint>

#include "vkt32.h"

namespace vkt::client {

struct ConfigRecord {
    bool Conectado = false;
    std::int32_t Sesion = 0;
    QString Servidor;
    QString Servicio;
    QString Usuario;
    QString Password;  // never written to disk
    std::int32_t Timeout = 180;
    QString DirClaves;  // folder of the private-key file; default: DefaultKeyDirectory()
};

struct ClientState {
    ConfigRecord Config;
    QString Archivo;            // file to send, or name of the file to request
    std::int32_t Formato = -1;  // 1 formatted record file, 2 plain file, -1 none
    QString Destino;            // folder for a requested file
    // The additional information: first the library's verify answer, then the user's
    // fixed-width answers. A null QString is "the null text" (no additional information).
    QString Parametros;
    std::int32_t LargoParametros = 0;
    QString UltimaUnidad;      // the file chooser's last root
    QString UltimoDirectorio;  // and its last folder
    StatusRecord Estado{};     // the last VKTEstado copy
};

// The one instance.
ClientState& General();

}  // namespace vkt::client
