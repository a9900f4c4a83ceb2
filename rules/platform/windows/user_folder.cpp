#include <cstdlib>
#include <cstring>

#include "rules/program_folders.h"

namespace vkt::rules {
namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

// Configuration roams with the user (%APPDATA%); data and state stay on the machine
// (%LOCALAPPDATA%). Without the variables, their usual places under %USERPROFILE%.
std::string UserFolder(const char* xdgVariable, const char* /*fallbackUnderHome*/) {
    const bool roaming = std::strcmp(xdgVariable, "XDG_CONFIG_HOME") == 0;
    std::string folder = Variable(roaming ? "APPDATA" : "LOCALAPPDATA");
    if (!folder.empty()) return folder;
    const std::string profile = Variable("USERPROFILE");
    if (profile.empty()) return ".";
    return profile + (roaming ? "\\AppData\\Roaming" : "\\AppData\\Local");
}

const char* ProgramFolderName() {
    return "VKT";
}

}  // namespace vkt::rules
