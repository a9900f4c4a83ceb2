#include "cli/platform/standard_error.h"

#include <unistd.h>

namespace vkt::cli {

void WriteToStandardError(const char* bytes, std::size_t size) {
    const ssize_t written = write(STDERR_FILENO, bytes, size);
    static_cast<void>(written);
}

}  // namespace vkt::cli
