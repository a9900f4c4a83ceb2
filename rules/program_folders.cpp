#include "rules/program_folders.h"

#include <cstdlib>

#include "rules/path_separators.h"

namespace vkt::rules {

std::string ProgramFolder(const char* xdgVariable, const char* fallbackUnderHome) {
    if (const char* home = std::getenv("VKT_HOME"); home != nullptr && *home != '\0') return home;
    return UserFolder(xdgVariable, fallbackUnderHome) + PathSeparator() + ProgramFolderName();
}

std::string ConfigFilePath() {
    return ProgramFolder("XDG_CONFIG_HOME", ".config") + PathSeparator() + "VKT32.cnf";
}

std::string DefaultKeyDirectory() {
    return UserFolder("XDG_DATA_HOME", ".local/share") + PathSeparator() + ProgramFolderName() +
           PathSeparator() + "claves";
}

}  // namespace vkt::rules
