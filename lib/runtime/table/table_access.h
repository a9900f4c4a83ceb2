// Operations on the session slot, made for one operation and dropped after it.
//
// A slot whose owner process has died counts as free: ClaimSlot records the owner's pid and
// start time at offset 1064, and HasFreeSlot/ClaimSlot treat a slot in use by a process that no
// longer exists (or a reused pid with another start time) as free. A zero-filled table (owner
// pid 0) shows its slot in use.
//
// The slot's handle fields (session key, descriptor, timer indexes) mean something only in the
// process that claimed the slot, so IsSessionId and ReleaseSlot accept an id only from that
// process: another process that knows or guesses the id can neither use the session nor have
// its own handles of the same numbers freed or closed.
//
// Every operation takes the table mutex (also the reads: the caller's thread and the event
// thread share the slot, and the mutex gives them a consistent view).
#pragma once

#include <cstdint>

#include "runtime/table/session_slot.h"

namespace vkt::runtime {

class Connection;
class SharedTable;

class TableAccess {
  public:
    // table may be null (no table view); connection may be null (none in this process).
    TableAccess(SharedTable* table, Connection* connection);

    void InitTable();
    bool HasFreeSlot();
    std::int32_t ClaimSlot(const char* userName, const KeyLocation& key);  // id or -1
    bool IsSessionId(std::int32_t id);
    // Destroys the session key, sends the disconnect notice and closes the socket, stops and
    // frees both timers, closes a kept file, frees the slot, with the release hooks around it
    // (release_hooks.h); takes the send lock, then the table mutex. False when id names no
    // session in use by this process or the key could not be destroyed.
    bool ReleaseSlot(std::int32_t id);
    // The id of the session this process holds, or -1.
    std::int32_t HeldSessionId();
    // 1000 .. 9990 for index 0: a random 100 .. 999 followed by the index digit (0 .. 9).
    std::int32_t NewSessionId(std::int32_t index);

  private:
    SharedTable* table_;
    Connection* connection_;
};

}  // namespace vkt::runtime
