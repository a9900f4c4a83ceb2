// Run-time errors: construction from errno and the message box of the trap.
#include "general/run_time_error.h"

#include <cerrno>

#include "general/message_box.h"

namespace vkt::client {

RunTimeError::RunTimeError(int number, const QString& description)
    : std::runtime_error(description.toStdString()), number_(number), description_(description) {}

RunTimeError FileError(int errnoValue, const QString& path) {
    switch (errnoValue) {
        case ENOENT:
            return RunTimeError(kErrFileNotFound,
                                QString::fromUtf8("No se encontró el archivo: %1").arg(path));
        case ENOTDIR:
            return RunTimeError(
                kErrPathNotFound,
                QString::fromUtf8("No se encontró la ruta de acceso: %1").arg(path));
        case EACCES:
        case EPERM:
        case EROFS:
            return RunTimeError(kErrPermissionDenied,
                                QString::fromUtf8("Permiso denegado: %1").arg(path));
        case ENOMEM:
            return RunTimeError(kErrOutOfMemory, QString::fromUtf8("Memoria insuficiente"));
        case EIO:
        case ENOSPC:
            return RunTimeError(kErrDeviceIo,
                                QString::fromUtf8("Error de E/S de dispositivo: %1").arg(path));
        default:
            return RunTimeError(
                kErrPathFileAccess,
                QString::fromUtf8("Error de acceso a la ruta o el archivo: %1").arg(path));
    }
}

void ShowRunTimeError(const RunTimeError& error, bool compact) {
    const QString text =
        error.description() + (compact ? "(" : " (") + QString::number(error.number()) + ")";
    MsgBox(text, kOkOnly);
}

}  // namespace vkt::client
