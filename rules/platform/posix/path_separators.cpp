#include "rules/path_separators.h"

namespace vkt::rules {

char PathSeparator() {
    return '/';
}

bool IsPathSeparator(char c) {
    return c == '/';
}

bool IsRootFolder(const std::string& folder) {
    return folder == "/";
}

}  // namespace vkt::rules
