// The send, request and history commands of the toolbar. Each one stops the main window's
// error timer while its modal windows are up, so that the library's error list is read only
// by the command and the status window.
#include "commands/transfer_commands.h"

#include <QString>

#include "binding/lib_vkt32.h"
#include "commands/session_commands.h"
#include "general/activity_log.h"
#include "general/client_state.h"
#include "general/message_box.h"
#include "general/run_time_error.h"
#include "windows/dialogs.h"
#include "windows/main_window_access.h"

namespace vkt::client {
namespace {

constexpr int kParametrosSize = 2048;

// The timer runs again only while a session is open: a session ended during the command
// (MostrarErrores on a fatal code) has already stopped it for good.
void RestartReloj() {
    EnableReloj(General().Config.Conectado);
}

// Logs a refused library call and shows the library's errors.
void Refused(const QString& tarea) {
    GrabarLog(HoraActual(), tarea, General().Archivo, QStringLiteral("Error"));
    MostrarErrores();
}

void SendFile() {
    ClientState& g = General();
    ShowSendDialog(MainWindowWidget());
    if (g.Archivo.isEmpty()) return;
    if (MsgBox(QStringLiteral("Enviar el archivo ") + g.Archivo, kOkCancel | kExclamation,
               QStringLiteral("Confirmar")) != kAnswerOk) {
        return;
    }

    g.Parametros = QString(kParametrosSize, QLatin1Char(' '));
    const std::int32_t verified = LibVKT32::VKTVerificar(g.Config.Sesion, g.Archivo, g.Formato,
                                                         &g.Parametros, &g.LargoParametros);
    if (verified == VKT_STATUS_OK) {
        ShowParamForm(MainWindowWidget());
        if (g.Parametros.isNull() || g.LargoParametros <= 0) {
            MsgBox(QString::fromUtf8("Operación de envío cancelada"), kExclamation, g.Archivo);
            return;
        }
    } else if (verified == VKT_STATUS_NO_INFORMATION_NEEDED) {
        g.Parametros = QString();
        g.LargoParametros = 0;
    } else {
        Refused(QStringLiteral("Verificar"));
        return;
    }

    const std::int32_t sent = LibVKT32::VKTEnviar(g.Config.Sesion, g.Config.Password, g.Archivo,
                                                  g.Formato, g.Parametros, g.LargoParametros);
    if (sent == VKT_STATUS_OK) {
        ShowStatusWindow(MainWindowWidget(), QStringLiteral("3"));
    } else {
        Refused(QStringLiteral("Enviar"));
    }
}

void ReceiveFile() {
    ClientState& g = General();
    ShowReceiveDialog(MainWindowWidget());
    if (g.Destino.isEmpty() || g.Archivo.isEmpty()) return;
    const std::int32_t requested =
        LibVKT32::VKTSolicitar(g.Config.Sesion, g.Config.Password, g.Archivo, g.Destino);
    if (requested == VKT_STATUS_OK) {
        ShowStatusWindow(MainWindowWidget(), QStringLiteral("2"));
    } else {
        Refused(QStringLiteral("Solicitar"));
    }
}

}  // namespace

void VKTSendFile() {
    EnableReloj(false);
    Trap(SendFile);
    RestartReloj();
}

void VKTReceiveFile() {
    EnableReloj(false);
    Trap(ReceiveFile);
    RestartReloj();
}

void VKTHistorial() {
    EnableReloj(false);
    Trap([] {
        if (CheckHistorial()) {
            ShowHistoryWindow(MainWindowWidget());
        } else {
            MsgBox(QStringLiteral("Archivo Historial no disponible"), kExclamation,
                   QStringLiteral("Historial"));
        }
    });
    RestartReloj();
}

}  // namespace vkt::client
