#include "cli/platform/library_loader.h"

#include <windows.h>

#include <cstdlib>

#include "common/platform/windows/system_message.h"

namespace vkt::cli {
namespace {

constexpr const char* kLibraryName = "VKT32.dll";

}  // namespace

void* OpenVktLibrary(std::string* file, std::string* message) {
    const char* chosen = std::getenv("VKT_LIBRARY");
    *file = chosen != nullptr && *chosen != '\0' ? chosen : kLibraryName;
    const HMODULE handle = LoadLibraryA(file->c_str());
    if (handle == nullptr) {
        *message = "cannot load " + *file + ": " + tools::SystemMessage(GetLastError());
    }
    return reinterpret_cast<void*>(handle);
}

void* FindLibraryFunction(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseVktLibrary(void* library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace vkt::cli
