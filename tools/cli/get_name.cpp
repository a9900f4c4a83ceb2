#include "cli/get_name.h"

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

}  // namespace vkt::cli
