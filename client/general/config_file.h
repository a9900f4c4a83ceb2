// The configuration file VKT32.cnf (ConfigFilePath()): one record of five comma-separated
// fields - server, service, time-out, user, key folder (which runs to the end of the file) -
// with no password. How it is read and written, and its encoding: rules/config_file.h.
#pragma once

#include <QString>
#include <cstdint>

namespace vkt::client {

// Fills the five texts from the file (those it holds; the others are left as they were);
// 0, or the run-time error number after showing the error.
std::int32_t LeerConfiguracion(QString* servidor, QString* servicio, QString* timeout,
                               QString* usuario, QString* dirClaves);
// Replaces the file by one holding linea; 0, or the run-time error number after showing it.
std::int32_t GrabarConfiguracion(const QString& linea);

}  // namespace vkt::client
