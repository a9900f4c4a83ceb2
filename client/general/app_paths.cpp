// The program's folders from VKT_HOME or the XDG variables.
#include "general/app_paths.h"

#include <QDir>
#include <QFile>

#include "rules/program_folders.h"

namespace vkt::client {
namespace {

QString FromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString Created(const std::string& folder) {
    const QString path = FromPath(folder);
    QDir().mkpath(path);
    return path;
}

}  // namespace

QString ConfigDirectory() {
    return Created(rules::ProgramFolder("XDG_CONFIG_HOME", ".config"));
}

QString StateDirectory() {
    return Created(rules::ProgramFolder("XDG_STATE_HOME", ".local/state"));
}

QString ConfigFilePath() {
    ConfigDirectory();
    return FromPath(rules::ConfigFilePath());
}

QString LogFilePath() {
    return StateDirectory() + QStringLiteral("/VKT32.log");
}

QString DefaultKeyDirectory() {
    return FromPath(rules::DefaultKeyDirectory()) + QStringLiteral("/");
}

}  // namespace vkt::client
