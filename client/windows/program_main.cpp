// The start-up sequence: single instance, splash, main window.
#include "windows/program_main.h"

#include "commands/session_commands.h"
#include "general/app_paths.h"
#include "general/client_state.h"
#include "general/message_box.h"
#include "windows/frm_main.h"
#include "windows/frm_splash.h"

namespace vkt::client {

QString SingleInstanceLockFile() {
    return StateDirectory() + QStringLiteral("/VKT.lock");
}

Program::Program(const QString& lockFile)
    : lock_(lockFile.isEmpty() ? SingleInstanceLockFile() : lockFile) {
    // Only a lock whose owner has died is stale; a running instance holds it however long.
    lock_.setStaleLockTime(0);
}

Program::~Program() = default;

bool Program::Main() {
    // Only a lock held by a live instance stops the start; a folder where no lock can be made
    // (read-only, say) does not keep the user from working.
    if (!lock_.tryLock(0) && lock_.error() == QLockFile::LockFailedError) {
        MsgBox(QStringLiteral("Ya existe una instancia previa"), kExclamation);
        return false;
    }
    splash_ = std::make_unique<FrmSplash>();
    // Queued: the main window's load (with its modal configuration dialog) runs from the
    // event loop, not inside the splash's timer tick.
    connect(splash_.get(), &FrmSplash::finished, this, &Program::ShowMainWindow,
            Qt::QueuedConnection);
    splash_->show();
    return true;
}

void Program::ShowMainWindow() {
    splash_.reset();
    main_ = std::make_unique<FrmMain>();
    main_->Load();
    emit mainWindowLoaded();
}

void Program::Finish() {
    if (General().Config.Conectado) VKTFinConexion();
    main_.reset();
}

}  // namespace vkt::client
