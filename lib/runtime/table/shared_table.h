// The session table shared by every process of the user: POSIX shared memory
// "/VKTTabla.<uid>" (2,176 bytes, mode 0600; O_CREAT|O_EXCL tells the creator from a joiner)
// and a robust process-shared mutex in its own object "/VKTMutex.<uid>". A mutex whose owner
// died (EOWNERDEAD) is taken like a free one. The mutex object is initialised exactly once even
// when two processes start together (a state word claimed by compare-and-swap, then "ready").
// VKT_SHM_PREFIX, when set, replaces "VKT" in both names (tests run in their own namespace).
//
// Mutex object layout (native, shared only by processes of the same ABI; a joiner checks the
// size): u32 state word at offset 0 - 0 new, 1 being initialised, 2 ready - then the
// pthread_mutex_t at offset 8. The mutex is recursive, like the named mutex it stands for: a
// thread that holds it may take it again.
#pragma once

#include <cstdint>

#include "runtime/table/session_slot.h"

namespace vkt::runtime {

enum : std::uint32_t { kMutexNew = 0, kMutexInitialising = 1, kMutexReady = 2 };

class SharedTable {
  public:
    // Creates or joins the table and the mutex. Null on failure (nothing left open); *created
    // tells whether this process created the memory and must initialise it.
    static SharedTable* Open(bool* created);
    ~SharedTable();  // unmaps; the named objects stay for other processes
    SharedTable(const SharedTable&) = delete;
    SharedTable& operator=(const SharedTable&) = delete;

    SessionSlot* Slot() { return slot_; }
    // Waits (without time-out) for the mutex; a mutex left by a dead owner is made consistent
    // and taken. False only when the mutex is unusable (then it is not held).
    bool Lock();
    void Unlock();

    bool Created() const { return created_; }                    // this process made the table
    bool InitialisedMutex() const { return initialisedMutex_; }  // and/or the mutex
    // Removes the table's name when this process created it: a load that fails after Open must
    // not leave a table behind that nobody will initialise.
    void DiscardCreated();

  private:
    SharedTable() = default;
    SessionSlot* slot_ = nullptr;
    void* tableView_ = nullptr;
    void* mutexView_ = nullptr;
    bool created_ = false;
    bool initialisedMutex_ = false;
    char tableName_[256] = {};
};

}  // namespace vkt::runtime
