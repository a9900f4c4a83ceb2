// Slot ownership: the owner's pid and start time against the processes that run now
// (platform/process_identity.h).
#include "runtime/table/slot_owner.h"

#include <atomic>

#include "platform/process_identity.h"

namespace vkt::runtime {
namespace {

// pid in the high half, start time in the low half; 0 while not yet read.
std::atomic<std::uint64_t> cachedIdentity{0};

}  // namespace

ProcessIdentity CurrentProcess() {
    const std::int32_t pid = platform::OwnProcessId();
    std::uint64_t cached = cachedIdentity.load(std::memory_order_acquire);
    if (cached != 0 && static_cast<std::int32_t>(cached >> 32) == pid) {
        return {pid, static_cast<std::uint32_t>(cached)};
    }
    // When the start time cannot be read it stays 0, which others do not compare.
    std::uint32_t low = 0;
    if (platform::QueryProcess(pid, &low) != platform::ProcessLife::kRunning) low = 0;
    cachedIdentity.store((static_cast<std::uint64_t>(static_cast<std::uint32_t>(pid)) << 32) | low,
                         std::memory_order_release);
    return {pid, low};
}

bool OwnerGone(std::int32_t pid, std::uint32_t startTime) {
    if (pid <= 0) return false;
    std::uint32_t start = 0;
    switch (platform::QueryProcess(pid, &start)) {
        case platform::ProcessLife::kEnded:
            return true;
        case platform::ProcessLife::kUnknown:
            return false;
        case platform::ProcessLife::kRunning:
            break;
    }
    return startTime != 0 && start != startTime;
}

bool SlotClaimable(const SessionSlot& slot) {
    if (slot.slotState == kSlotFree) return true;
    return slot.slotState == kSlotInUse && OwnerGone(slot.ownerPid, slot.ownerStartTime);
}

bool SlotHeldHere(const SessionSlot& slot) {
    if (slot.slotState != kSlotInUse) return false;
    const ProcessIdentity self = CurrentProcess();
    return slot.ownerPid == self.pid && slot.ownerStartTime == self.startTime;
}

}  // namespace vkt::runtime
