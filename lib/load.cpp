// The shared library starts the runtime in every process that loads it and stops it when it is
// unloaded: libVKT32.so from its constructor and destructor, VKT32.dll from DllMain's process
// attach and detach. (The internal static archive leaves both to the program that links it.)
#include "runtime/process/process_state.h"

#ifdef _WIN32

// DllMain's own types, spelled out: BOOL, DWORD and WINAPI (__stdcall) of the Win32 headers,
// which stay inside the platform layer.
namespace {
constexpr unsigned long kProcessDetach = 0;  // DLL_PROCESS_DETACH
constexpr unsigned long kProcessAttach = 1;  // DLL_PROCESS_ATTACH
}  // namespace

extern "C" int __stdcall DllMain(void* /*instance*/, unsigned long reason, void* /*reserved*/) {
    // As on Linux, the library loads even when the runtime cannot start: the exports then
    // report it.
    if (reason == kProcessAttach) vkt::runtime::LibraryLoad();
    if (reason == kProcessDetach) vkt::runtime::LibraryUnload();
    return 1;
}

#else

namespace {

__attribute__((constructor)) void StartRuntime() {
    vkt::runtime::LibraryLoad();
}

__attribute__((destructor)) void StopRuntime() {
    vkt::runtime::LibraryUnload();
}

}  // namespace

#endif
