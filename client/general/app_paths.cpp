// The program's folders from VKT_HOME or the XDG variables.
#include "general/app_paths.h"

#include <QDir>
#include <QtGlobal>

namespace vkt::client {
namespace {

// $variable, else $HOME + fallback; then + "/vkt".
QString XdgFolder(const char* variable, const char* fallback) {
    const QString home = qEnvironmentVariable("VKT_HOME");
    if (!home.isEmpty()) return home;
    QString base = qEnvironmentVariable(variable);
    if (base.isEmpty()) base = QDir::homePath() + QLatin1String(fallback);
    return base + QStringLiteral("/vkt");
}

QString Created(const QString& folder) {
    QDir().mkpath(folder);
    return folder;
}

}  // namespace

QString ConfigDirectory() {
    return Created(XdgFolder("XDG_CONFIG_HOME", "/.config"));
}

QString StateDirectory() {
    return Created(XdgFolder("XDG_STATE_HOME", "/.local/state"));
}

QString ConfigFilePath() {
    return ConfigDirectory() + QStringLiteral("/VKT32.cnf");
}

QString LogFilePath() {
    return StateDirectory() + QStringLiteral("/VKT32.log");
}

QString DefaultKeyDirectory() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/vkt/claves/");
}

}  // namespace vkt::client
