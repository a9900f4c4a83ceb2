#include "cli/platform/file_size.h"

#include <sys/stat.h>

namespace vkt::cli {

std::int64_t FileSizeOrZero(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 ? static_cast<std::int64_t>(status.st_size) : 0;
}

}  // namespace vkt::cli
