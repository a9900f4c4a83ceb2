#include "cli/get_name.h"

#include "rules/path_separators.h"

namespace vkt::cli {

bool CheckGetName(const CommandLine& line, std::string* message) {
    if (line.command != "get") return true;
    const std::string& name = line.target;
    if (name.find_first_of("/\\") == std::string::npos && name != "." && name != "..") {
        return true;
    }
    *message = "get: NAME must be a single file name (no \"/\" or \"\\\", not \".\" or \"..\"): '" +
               name + "'";
    return false;
}

std::string DestinationFolder(const CommandLine& line) {
    std::string folder = line.to;
    while (folder.size() > 1 && rules::IsPathSeparator(folder.back()) &&
           !rules::IsRootFolder(folder)) {
        folder.pop_back();
    }
    return folder;
}

std::string ReceivedPath(const CommandLine& line) {
    const std::string folder = DestinationFolder(line);
    if (rules::IsRootFolder(folder)) return folder + line.target;
    return folder + rules::PathSeparator() + line.target;
}

}  // namespace vkt::cli
