#include "platform/library_pin.h"

#include <windows.h>

namespace vkt::platform {

bool PinLibraryInProcess() {
    HMODULE self = nullptr;
    return GetModuleHandleExA(
               GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
               reinterpret_cast<LPCSTR>(&PinLibraryInProcess), &self) != 0;
}

}  // namespace vkt::platform
