// The session commands: reset, connect and disconnect, the wait for an operation that the
// library completes on its own thread, and the reading of the library's error list.
#include "commands/session_commands.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include "binding/lib_vkt32.h"
#include "binding/record_conversion.h"
#include "commands/error_records.h"
#include "general/activity_log.h"
#include "general/app_paths.h"
#include "general/client_state.h"
#include "general/message_box.h"
#include "general/number_text.h"
#include "general/run_time_error.h"
#include "general/status_text.h"
#include "windows/dialogs.h"
#include "windows/main_window_access.h"

namespace vkt::client {
namespace {

constexpr int kPollIntervalMs = 50;
constexpr int kErrorRecordCount = 10;

// Lets the window messages through for about interval ms: timer ticks, clicks and repaints are
// served while the library works, without spinning. When the program is quitting, event loops
// return at once, so the rest of the interval is slept.
void LetMessagesThrough(int intervalMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer::singleShot(intervalMs, &loop, &QEventLoop::quit);
    loop.exec();
    const qint64 left = intervalMs - elapsed.elapsed();
    if (left > 0) QThread::msleep(static_cast<unsigned long>(left));
}

}  // namespace

void VKTConfigurar() {
    ClientState& state = General();
    SetOcupado(false);
    state.Config.Conectado = false;
    state.Config.Password.clear();
    state.Config.Usuario.clear();
    state.Config.Servicio.clear();
    state.Config.Servidor.clear();
    state.Config.Sesion = 0;
    state.Config.DirClaves = DefaultKeyDirectory();
    CheckHistorial();  // deletes a log left from an earlier day
}

void VKTInitConexion() {
    ConfigRecord& config = General().Config;
    Trap([&] {
        if (config.Conectado) {
            VKTFinConexion();
            return;
        }
        ShowConfigDialog(MainWindowWidget());
        if (config.Servicio.isEmpty() || config.Servidor.isEmpty() || config.Usuario.isEmpty() ||
            config.Password.isEmpty()) {
            return;
        }
        SetOcupado(true);
        const std::int32_t result =
            LibVKT32::VKTConectar(config.Servidor, config.Servicio, config.Usuario, config.Password,
                                  config.DirClaves, config.Timeout, &config.Sesion);
        if (result != VKT_STATUS_OK) {
            MostrarErrores();
            return;
        }
        if (EsperarOperacion(1) != 0) return;
        MostrarTexto(1, QString::fromUtf8("Sesión activa [") +
                            QString::number(General().Estado.sessionId) + "]");
        config.Conectado = true;
        EnableReloj(true);
        UpdateScreen(1);
    });
    SetOcupado(false);
}

std::int32_t EsperarOperacion(int destino) {
    StatusRecord& estado = General().Estado;
    std::int32_t resultado = 0;
    // A wait cut short by a run-time error (the library lost its VKTEstado) cannot tell how
    // the operation ended, so it does not report success.
    const bool completed = Trap([&] {
        for (;;) {
            if (LibVKT32::VKTEstado(&estado) != VKT_STATUS_OK) {
                // Retried without serving messages, after a short pause instead of at once.
                QThread::msleep(kPollIntervalMs);
                continue;
            }
            switch (estado.activity) {
                case VKT_ACTIVITY_IDLE:
                    QCoreApplication::processEvents();
                    return;
                case VKT_ACTIVITY_FAILED:
                    resultado = 1;
                    MostrarErrores();
                    QCoreApplication::processEvents();
                    return;
                case VKT_ACTIVITY_RUNNING:
                    MostrarTexto(destino, estado.step == VKT_STEP_OPENING_SESSION
                                              ? QString::fromUtf8("Abriendo sesión...")
                                              : QString::fromUtf8("Iniciando conexión..."));
                    LetMessagesThrough(kPollIntervalMs);
                    break;
                default:
                    LetMessagesThrough(kPollIntervalMs);
                    break;
            }
        }
    });
    return completed ? resultado : 1;
}

void VKTFinConexion() {
    ConfigRecord& config = General().Config;
    EnableReloj(false);
    SetOcupado(true);
    if (config.Conectado) {
        std::int32_t result = 0;  // a failed call counts as ended: the next step runs
        Trap([&] { result = LibVKT32::VKTDesconectar(config.Sesion); });
        if (result == VKT_STATUS_OPERATION_RUNNING) {
            MostrarErrores();  // the session stays open, the timer stays off
        } else {
            config.Sesion = 0;
            config.Conectado = false;
            UpdateScreen(2);
            MostrarTexto(1, QString::fromUtf8("Sesión Finalizada"));
        }
    } else {
        MostrarTexto(1, QString::fromUtf8("No hay una conexión activa"));
    }
    SetOcupado(false);
}

void MostrarErrores() {
    ClientErrorRecord records[kErrorRecordCount];
    for (auto& record : records) {
        record.text = QString(255, QChar(u' '));
        record.time = QString(9, QChar(u' '));
    }
    std::int32_t count = 0;
    if (!Trap([&] { count = LibVKT32::VKTError(records); })) return;
    InformarErrores(records, count);
}

bool EndsSession(std::int32_t code) {
    switch (code) {
        case VKT_STATUS_NO_SESSION:
        case VKT_STATUS_TIMEOUT:
        case VKT_STATUS_EVENT_THREAD_FAILED:
        case VKT_STATUS_SERVER_CLOSED:
        case VKT_STATUS_SERVER_SILENT:
            return true;
        default:
            // Network failures: "1" and the socket error number, so "11..." in decimal.
            return QString::number(code).left(2).toInt() == 11;
    }
}

void InformarErrores(const ClientErrorRecord* records, std::int32_t count) {
    if (count <= 0) return;
    if (count > kErrorRecordCount) count = kErrorRecordCount;
    Trap([&] {
        QString texto;
        for (std::int32_t i = 0; i < count; ++i) {
            const ClientErrorRecord& record = records[i];
            const QString message = LibVKT32::LeadingText(record.text, record.textLength);
            const QString time = LibVKT32::LeadingText(record.time, record.timeLength);
            texto = "[" + QString::number(record.code) + "] " + message;
            GrabarLog(time, QString::number(record.code), message, QStringLiteral("Error"));
            if (General().Config.Conectado && EndsSession(record.code)) VKTFinConexion();
        }
        MsgBox(TrimBlanks(texto), kCritical, QStringLiteral("Error"));
    });
}

}  // namespace vkt::client
