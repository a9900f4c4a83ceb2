// Module LibVKT32: the program's only way into libVKT32.so.
//
// The library is loaded by name ("libVKT32.so.1", else "libVKT32.so", or the file named by
// VKT_LIBRARY) at the first call of any export, and each function's address is looked up at
// its first call and kept.
// A library that cannot be loaded raises RunTimeError 53, a function that is missing
// RunTimeError 453 (shown by the calling command's trap; never a crash).
//
// Arguments are converted as the library expects: texts and passwords to Latin-1, paths
// (archivo of VKTVerificar/VKTEnviar, archivo and destino of VKTSolicitar, the key folder) to
// the file-system encoding; records to and from their packed forms of vkt32.h.
#pragma once

#include <QString>
#include <cstdint>

#include "vkt32.h"

namespace vkt::client {

// The client's form of one ErrorRecord.
struct ClientErrorRecord {
    std::int32_t code = 0;
    std::int32_t timeLength = 0;
    std::int32_t textLength = 0;
    QString text;  // 255 characters as read (Latin-1)
    QString time;  // 9 characters as read
};

namespace LibVKT32 {

std::int32_t VKTConectar(const QString& servidor, const QString& servicio, const QString& usuario,
                         const QString& password, const QString& dirClaves, std::int32_t timeout,
                         std::int32_t* sesion);
std::int32_t VKTDesconectar(std::int32_t sesion);
// parametros: in, the caller's text (2,048 blanks); out, the library's answer as written into
// the 2,048-byte buffer (the caller takes its first *largo characters).
std::int32_t VKTVerificar(std::int32_t sesion, const QString& archivo, std::int32_t formato,
                          QString* parametros, std::int32_t* largo);
std::int32_t VKTEnviar(std::int32_t sesion, const QString& password, const QString& archivo,
                       std::int32_t formato, const QString& parametros, std::int32_t largo);
std::int32_t VKTSolicitar(std::int32_t sesion, const QString& password, const QString& archivo,
                          const QString& destino);
// records: 10 entries, filled from the library's 10 records; returns the count written.
std::int32_t VKTError(ClientErrorRecord records[10]);
std::int32_t VKTEstado(StatusRecord* estado);

// Tests: the file to load instead of the default (empty: the default again). Forgets the
// loaded library and every address.
void SetLibraryFile(const QString& file);

}  // namespace LibVKT32
}  // namespace vkt::client
