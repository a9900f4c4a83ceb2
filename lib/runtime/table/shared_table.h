// The session table shared by every process of the user: the shared memory "Tabla" (2,176
// bytes; platform/shared_memory.h tells the creator from a joiner and names it per platform)
// and the table mutex (platform/table_mutex.h: recursive, and a mutex whose owner died is
// taken like a free one). VKT_SHM_PREFIX, when set, replaces "VKT" in both names (tests run in
// their own namespace).
#pragma once

#include <cstdint>

#include "platform/shared_memory.h"
#include "platform/table_mutex.h"
#include "runtime/table/session_slot.h"

namespace vkt::runtime {

class SharedTable {
  public:
    // Creates or joins the table and the mutex. Null on failure (nothing left open); *created
    // tells whether this process created the memory and must initialise it.
    static SharedTable* Open(bool* created);
    ~SharedTable() = default;  // unmaps; the named objects stay for other processes
    SharedTable(const SharedTable&) = delete;
    SharedTable& operator=(const SharedTable&) = delete;

    SessionSlot* Slot() { return slot_; }
    // Waits (without time-out) for the mutex; a mutex left by a dead owner is taken. False
    // only when the mutex is unusable (then it is not held).
    bool Lock() { return mutex_.Lock(); }
    void Unlock() { mutex_.Unlock(); }

    bool Created() const { return memory_.Created(); }              // this process made the table
    bool InitialisedMutex() const { return mutex_.Initialised(); }  // and/or the mutex
    // Removes the table's name when this process created it: a load that fails after Open must
    // not leave a table behind that nobody will initialise.
    void DiscardCreated() { memory_.RemoveName(); }

  private:
    SharedTable() = default;
    SessionSlot* slot_ = nullptr;
    platform::SharedMemory memory_;
    platform::TableMutex mutex_;
};

}  // namespace vkt::runtime
