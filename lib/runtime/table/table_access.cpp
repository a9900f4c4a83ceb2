// The table accessor: initialisation, the free-slot test, claiming, the id checks and new ids.
// Releasing is in table_release.cpp.
#include "runtime/table/table_access.h"

#include <chrono>
#include <cstring>
#include <random>

#include "platform/process_identity.h"
#include "runtime/table/shared_table.h"
#include "runtime/table/slot_owner.h"
#include "runtime/table/table_lock.h"

namespace vkt::runtime {
namespace {

// Copies text into a fixed field, truncating so the terminating zero always fits, and clears
// the rest of the field.
template <std::size_t N>
void CopyText(char (&field)[N], const char* text, std::size_t maxLength) {
    std::memset(field, 0, N);
    if (text == nullptr) return;
    const std::size_t limit = maxLength < N - 1 ? maxLength : N - 1;
    std::memcpy(field, text, strnlen(text, limit));
}

}  // namespace

TableAccess::TableAccess(SharedTable* table, Connection* connection)
    : table_(table), connection_(connection) {}

void TableAccess::InitTable() {
    if (table_ == nullptr) return;
    TableLock lock(table_);
    if (!lock.Held()) return;
    SessionSlot& slot = *table_->Slot();
    slot.slotState = kSlotFree;
    slot.sessionId = -1;
    slot.sessionKey = 0;
    slot.keyOffset = 0;
    slot.keyLength = 0;
    slot.dataSize = 0;
    slot.reserved524 = 0;
    slot.fileKind = 0;
    slot.keepAliveTimer = 0;
    slot.idleWatchdog = 0;
    // Descriptor 0 is a real descriptor on Linux: "no file" must be the invalid value.
    slot.fileHandle = kInvalidFileHandle;
    slot.fileLocked = 0;
    slot.ownerPid = 0;
    slot.ownerStartTime = 0;
    CopyText(slot.userName, nullptr, 0);
    CopyText(slot.currentFileName, nullptr, 0);
    CopyText(slot.destinationDirectory, nullptr, 0);
    CopyText(slot.keyDirectory, nullptr, 0);
}

bool TableAccess::HasFreeSlot() {
    if (table_ == nullptr) return true;
    TableLock lock(table_);
    return lock.Held() && SlotClaimable(*table_->Slot());
}

std::int32_t TableAccess::ClaimSlot(const char* userName, const KeyLocation& key) {
    if (table_ == nullptr) return -1;
    TableLock lock(table_);
    SessionSlot& slot = *table_->Slot();
    if (!lock.Held() || !SlotClaimable(slot)) return -1;

    const ProcessIdentity self = CurrentProcess();
    slot.slotState = kSlotInUse;
    slot.sessionId = NewSessionId(0);
    slot.ownerPid = self.pid;
    slot.ownerStartTime = self.startTime;
    slot.keyOffset = key.keyOffset;
    slot.keyLength = key.keyLength;
    CopyText(slot.keyDirectory, key.keyDirectory, sizeof key.keyDirectory);
    CopyText(slot.userName, userName, sizeof slot.userName - 1);
    CopyText(slot.currentFileName, nullptr, 0);
    CopyText(slot.destinationDirectory, nullptr, 0);
    slot.dataSize = 0;
    slot.reserved524 = 0;
    slot.fileKind = 0;
    // A slot taken over from a dead owner still carries that process's handle numbers, which
    // mean nothing (or something else) here.
    slot.sessionKey = 0;
    slot.fileHandle = kInvalidFileHandle;
    slot.fileLocked = 0;
    slot.keepAliveTimer = 0;
    slot.idleWatchdog = 0;
    return slot.sessionId;
}

bool TableAccess::IsSessionId(std::int32_t id) {
    if (table_ == nullptr || id < 1) return false;
    TableLock lock(table_);
    const SessionSlot& slot = *table_->Slot();
    return lock.Held() && slot.sessionId == id && SlotHeldHere(slot);
}

std::int32_t TableAccess::HeldSessionId() {
    if (table_ == nullptr) return -1;
    TableLock lock(table_);
    const SessionSlot& slot = *table_->Slot();
    return lock.Held() && SlotHeldHere(slot) ? slot.sessionId : -1;
}

// A generator of its own (not srand/rand, whose state the whole process shares), seeded from
// the clock to the nanosecond and the pid, so claims in the same second differ too; the draw
// is uniform over 100 .. 999.
std::int32_t TableAccess::NewSessionId(std::int32_t index) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(now - seconds);
    std::seed_seq seed{static_cast<std::uint32_t>(seconds.count()),
                       static_cast<std::uint32_t>(nanoseconds.count()),
                       static_cast<std::uint32_t>(platform::OwnProcessId())};
    std::mt19937 generator(seed);
    std::uniform_int_distribution<std::int32_t> draw(100, 999);
    return draw(generator) * 10 + index;
}

}  // namespace vkt::runtime
