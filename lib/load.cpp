// The shared library starts the runtime in every process that loads it: libVKT32.so from its
// constructor, VKT32.dll from DllMain's process attach. libVKT32.so stops it from its destructor
// when the process ends (it is never unloaded before: "nodelete"). (The internal static archive
// leaves both to the program that links it.)
//
// VKT32.dll pins itself at attach, so it too stays until the process ends, and its detach then
// comes from ExitProcess after the system has ended every other thread of the process, where
// they stood: a lock one of them held is never released, and waiting for the event thread
// would never return. So the runtime is not stopped there; what the stop would have done is done
// otherwise: the system closes the socket (the server ends the session), the next process to
// use the table takes over the slot of a process that no longer runs (by process id and start
// time), and the next request into a folder deletes the part files of ended processes.
#include "runtime/process/process_state.h"

#ifdef _WIN32

#include "platform/library_pin.h"

// DllMain's own types, spelled out: BOOL, DWORD and WINAPI (__stdcall) of the Win32 headers,
// which stay inside the platform layer.
namespace {
constexpr unsigned long kProcessAttach = 1;  // DLL_PROCESS_ATTACH
}  // namespace

extern "C" int __stdcall DllMain(void* /*instance*/, unsigned long reason, void* /*reserved*/) {
    // As on Linux, the library loads even when the runtime cannot start: the exports then
    // report it. Without the pin a FreeLibrary could unmap the code the event thread runs.
    if (reason == kProcessAttach) {
        if (!vkt::platform::PinLibraryInProcess()) return 0;
        vkt::runtime::LibraryLoad();
    }
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
