#include "rules/program_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace vkt::rules {
namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return ".";
}

}  // namespace

std::string UserFolder(const char* xdgVariable, const char* fallbackUnderHome) {
    if (const char* folder = std::getenv(xdgVariable); folder != nullptr && *folder != '\0') {
        return folder;
    }
    return HomeFolder() + "/" + fallbackUnderHome;
}

std::string ProgramFolder(const char* xdgVariable, const char* fallbackUnderHome) {
    if (const char* home = std::getenv("VKT_HOME"); home != nullptr && *home != '\0') return home;
    return UserFolder(xdgVariable, fallbackUnderHome) + "/vkt";
}

std::string ConfigFilePath() {
    return ProgramFolder("XDG_CONFIG_HOME", ".config") + "/VKT32.cnf";
}

std::string DefaultKeyDirectory() {
    return UserFolder("XDG_DATA_HOME", ".local/share") + "/vkt/claves";
}

}  // namespace vkt::rules
