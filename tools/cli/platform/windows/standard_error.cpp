#include "cli/platform/standard_error.h"

#include <windows.h>

namespace vkt::cli {

void WriteToStandardError(const char* bytes, std::size_t size) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), bytes, static_cast<DWORD>(size), &written, nullptr);
}

}  // namespace vkt::cli
