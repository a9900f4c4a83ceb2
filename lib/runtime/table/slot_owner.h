// Who owns the session slot: a process id plus that process's start time, so that a slot left
// behind by a process that has died - or whose id now belongs to another process - can be told
// apart from a slot held by a live owner.
#pragma once

#include <cstdint>

#include "runtime/table/session_slot.h"

namespace vkt::runtime {

struct ProcessIdentity {
    std::int32_t pid;
    std::uint32_t startTime;  // platform/process_identity.h; 0: unknown
};

// This process's identity. Recomputed after a fork (the pid is part of the cache key).
ProcessIdentity CurrentProcess();

// True when the recorded owner is certainly gone: the pid no longer exists, is a zombie that
// has exited, or belongs to a process started at another time (pid reused). A pid of 0 (a
// table that was never initialised) and any owner whose state cannot be read are not gone.
// A recorded start time of 0 means "unknown" and is not compared.
bool OwnerGone(std::int32_t pid, std::uint32_t startTime);

// The slot can be claimed: free, or in use by an owner that is gone.
bool SlotClaimable(const SessionSlot& slot);
// The slot is in use and was claimed by this very process.
bool SlotHeldHere(const SessionSlot& slot);

}  // namespace vkt::runtime
