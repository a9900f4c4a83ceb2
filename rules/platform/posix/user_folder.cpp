#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "rules/program_folders.h"

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

const char* ProgramFolderName() {
    return "vkt";
}

}  // namespace vkt::rules
