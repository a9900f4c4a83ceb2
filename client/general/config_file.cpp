// VKT32.cnf through the rules the command-line client shares, in the program's own texts and
// run-time errors.
#include "general/config_file.h"

#include <cerrno>
#include <optional>
#include <string>

#include "general/app_paths.h"
#include "general/number_text.h"
#include "general/run_time_error.h"
#include "general/text_encoding.h"
#include "rules/config_file.h"

namespace vkt::client {
namespace {

void SetIf(const std::optional<std::string>& field, QString* text) {
    if (field) *text = QString::fromStdString(*field);
}

}  // namespace

std::int32_t LeerConfiguracion(QString* servidor, QString* servicio, QString* timeout,
                               QString* usuario, QString* dirClaves) {
    try {
        const QString path = ConfigFilePath();
        std::string bytes;
        const int error = rules::ReadConfigFile(ToPath(path).toStdString(), &bytes);
        if (error == ENOENT) return 0;
        if (error != 0) throw FileError(error, path);
        const rules::ConfigRead read =
            rules::ParseConfigText(bytes, DefaultKeyDirectory().toStdString());
        const rules::ConfigRecord& fields = read.record;
        SetIf(fields.server, servidor);
        SetIf(fields.service, servicio);
        // A time-out that is no number fails after the fields before it are set.
        if (!read.ok()) ThrowNumberError(read.timeout);
        if (fields.timeout) *timeout = QString::number(*fields.timeout);
        SetIf(fields.user, usuario);
        SetIf(fields.keyDirectory, dirClaves);
        return 0;
    } catch (const RunTimeError& error) {
        ShowRunTimeError(error);
        return error.number();
    }
}

std::int32_t GrabarConfiguracion(const QString& linea) {
    try {
        const QString path = ConfigFilePath();
        const int error = rules::WriteConfigFile(ToPath(path).toStdString(), linea.toStdString());
        if (error != 0) throw FileError(error, path);
        return 0;
    } catch (const RunTimeError& error) {
        ShowRunTimeError(error);
        return error.number();
    }
}

}  // namespace vkt::client
