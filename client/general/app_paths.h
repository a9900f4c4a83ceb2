// Where the program keeps its files on Linux (the folders vkt uses too: rules/program_folders.h).
// VKT32.cnf lives in the configuration folder and VKT32.log in the state folder; both are the
// folder named by VKT_HOME when it is set (portable use and tests), else $XDG_CONFIG_HOME/vkt
// and $XDG_STATE_HOME/vkt (defaults ~/.config/vkt and ~/.local/state/vkt). The folders are
// created when first asked for.
#pragma once

#include <QString>

namespace vkt::client {

QString ConfigDirectory();
QString StateDirectory();
QString ConfigFilePath();  // ConfigDirectory() + "/VKT32.cnf"
QString LogFilePath();     // StateDirectory() + "/VKT32.log"
// The key folder offered when none is configured: $XDG_DATA_HOME/vkt/claves/ (default
// ~/.local/share/vkt/claves/), with its final "/".
QString DefaultKeyDirectory();

}  // namespace vkt::client
