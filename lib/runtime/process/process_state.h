// The library's per-process state and its start-up and shut-down.
//
// In libVKT32.so a constructor runs LibraryLoad() and a destructor LibraryUnload() (in
// VKT32.dll, DllMain's process attach and detach); programs that link the internal static
// archive (tests) call them themselves. Loading, in order: the socket library
// (platform::StartSockets), the shared table (create or join), its mutex, the error list, then the
// status block; the table is initialised when this process created it. A failed step undoes every
// earlier one. A second LibraryLoad() while loaded does nothing and succeeds. Unloading: a session
// this process still holds is released (its timers stopped), the event thread is stopped, then the
// connection, the error list and the status block are freed and the table is unmapped, and the
// socket library is let go.
#pragma once

#include "runtime/status/error_list.h"
#include "runtime/status/status_block.h"

namespace vkt::runtime {

class Connection;
class SharedTable;

struct ProcessState {
    SharedTable* table = nullptr;
    ErrorList* errors = nullptr;
    StatusBlock* status = nullptr;
    Connection* connection = nullptr;  // created by the first connect
};

// This process's state; every member is null while the library is not loaded.
ProcessState& Process();
bool LibraryLoad();
void LibraryUnload();

}  // namespace vkt::runtime
