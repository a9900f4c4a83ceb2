#include "rules/path_separators.h"

namespace vkt::rules {

char PathSeparator() {
    return '\\';
}

bool IsPathSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsRootFolder(const std::string& folder) {
    if (folder.size() == 1) return IsPathSeparator(folder[0]);
    return folder.size() == 3 && folder[1] == ':' && IsPathSeparator(folder[2]);
}

}  // namespace vkt::rules
