// libVKT32.so starts the runtime in every process that loads it and stops it when it is
// unloaded. (The internal static archive leaves both to the program that links it.)
#include "runtime/process/process_state.h"

namespace {

__attribute__((constructor)) void StartRuntime() {
    vkt::runtime::LibraryLoad();
}

__attribute__((destructor)) void StopRuntime() {
    vkt::runtime::LibraryUnload();
}

}  // namespace
