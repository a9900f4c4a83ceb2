// The lock that guards the session table across processes. It is recursive (a thread that
// holds it may take it again), and a lock whose owner died holding it is taken like a free one:
// the table is then used as it is.
//   Linux    a robust, recursive, process-shared pthread mutex in its own shared-memory object
//            of kind "Mutex" (platform/shared_memory.h), initialised exactly once even when two
//            processes start together: a state word at offset 0 (0 new, 1 being initialised,
//            2 ready) claimed by compare-and-swap, the mutex at offset 8. EOWNERDEAD is made
//            consistent and taken.
//   Windows  the named mutex "<prefix>Mutex" ("VKTMutex") in the session's namespace;
//            WAIT_ABANDONED is taken like WAIT_OBJECT_0.
//
// Threads: Lock and Unlock from any thread (Unlock by the thread that locked).
#pragma once

#include <cstdint>

#include "platform/shared_memory.h"

namespace vkt::platform {

class TableMutex {
  public:
    TableMutex() = default;
    ~TableMutex();  // Close()
    TableMutex(const TableMutex&) = delete;
    TableMutex& operator=(const TableMutex&) = delete;

    // Creates or joins the mutex. False on failure, nothing left open.
    bool Open();
    void Close();
    // Waits without time-out. False only when the mutex is unusable (then it is not held).
    bool Lock();
    void Unlock();
    // This process made the mutex ready (Linux) or created it (Windows).
    bool Initialised() const { return initialised_; }

  private:
    SharedMemory memory_;                         // Linux: the object holding the mutex
    [[maybe_unused]] std::uintptr_t handle_ = 0;  // Windows: the mutex's handle
    bool initialised_ = false;
};

}  // namespace vkt::platform
