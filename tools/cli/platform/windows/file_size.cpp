#include "cli/platform/file_size.h"

#include <windows.h>

namespace vkt::cli {

std::int64_t FileSizeOrZero(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) == 0) return 0;
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                     data.nFileSizeLow);
}

}  // namespace vkt::cli
