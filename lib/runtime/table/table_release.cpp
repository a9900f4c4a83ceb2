// ReleaseSlot: ends the session this process holds, under the table mutex for the whole of it
// (including the disconnect notice, bounded by the connection's time-out, and the timer stops,
// which wait for a tick in progress), with the release hooks of the layer above around it.
//
// The send lock is taken before the table mutex, as everywhere both are held (LOCKS.md): the
// notice is the one frame sent under the table mutex, and no sender waits for the table mutex
// while it holds the send lock of another thread's release.
#include <atomic>
#include <cstring>
#include <mutex>

#include "runtime/file/file_object.h"
#include "runtime/net/connection.h"
#include "runtime/table/release_hooks.h"
#include "runtime/table/shared_table.h"
#include "runtime/table/slot_owner.h"
#include "runtime/table/table_access.h"
#include "runtime/table/table_lock.h"
#include "runtime/timer/session_timer.h"

namespace vkt::runtime {
namespace {

std::atomic<const ReleaseHooks*> gReleaseHooks{nullptr};

// Disconnect notice: characteristic "1", message type "8", no data. The send's result does not
// matter: the socket is closed either way.
void SendDisconnectNotice(Connection& connection) {
    connection.SetCharacteristic("1");
    connection.SetMessageType("8");
    connection.SetData(nullptr, 0);
    connection.SetData2(nullptr, 0);
    if (connection.BuildFrame() == 0) connection.SendFrame();
    connection.Close();
}

// Takes the timer out of the registry first, so no other thread can look it up any more, then
// stops it (waiting for a tick in progress) and frees it.
void DropTimer(std::uint32_t* field, bool keepAlive) {
    const std::uint32_t index = *field;
    *field = 0;
    SessionTimer* timer = TimerAt(index);
    if (index != 0) UnregisterTimer(index);
    if (timer == nullptr) return;
    if (keepAlive) {
        timer->Detach();
    } else {
        timer->Kill();
    }
    delete timer;
}

// The file handed over to the slot: adopted, unlocked if locked, closed.
void CloseKeptFile(SessionSlot& slot) {
    if (slot.fileHandle == kInvalidFileHandle) return;
    const int fd = static_cast<int>(slot.fileHandle);
    FileObject file(fd, slot.currentFileName, AccessOfFile(fd), slot.fileLocked != 0);
    if (file.IsOpen()) {
        if (file.Locked()) file.Unlock();
        file.Close();
    }
}

}  // namespace

void SetReleaseHooks(const ReleaseHooks* hooks) {
    gReleaseHooks.store(hooks);
}

bool TableAccess::ReleaseSlot(std::int32_t id) {
    if (table_ == nullptr || id < 1) return false;
    const ReleaseHooks* installed = gReleaseHooks.load();
    const ReleaseHooks hooks = installed != nullptr ? *installed : ReleaseHooks{};
    std::unique_lock<std::recursive_mutex> sending;
    if (connection_ != nullptr) {
        sending = std::unique_lock<std::recursive_mutex>(connection_->SendLock());
    }

    bool keyFreed = true;
    {
        TableLock lock(table_);
        if (!lock.Held()) return false;
        SessionSlot& slot = *table_->Slot();
        if (slot.sessionId != id || !SlotHeldHere(slot)) return false;

        if (hooks.abandon != nullptr) hooks.abandon();
        if (slot.sessionKey != 0) {
            keyFreed = hooks.destroyKey != nullptr && hooks.destroyKey(slot.sessionKey);
            slot.sessionKey = 0;
        }
        if (connection_ != nullptr && connection_->IsConnected()) {
            SendDisconnectNotice(*connection_);
        }
        DropTimer(&slot.keepAliveTimer, true);
        DropTimer(&slot.idleWatchdog, false);
        CloseKeptFile(slot);

        // keyOffset and keyLength stay as they were.
        slot.slotState = kSlotFree;
        slot.sessionId = -1;
        slot.ownerPid = 0;
        slot.ownerStartTime = 0;
        std::memset(slot.userName, 0, sizeof slot.userName);
        std::memset(slot.keyDirectory, 0, sizeof slot.keyDirectory);
        std::memset(slot.currentFileName, 0, sizeof slot.currentFileName);
        std::memset(slot.destinationDirectory, 0, sizeof slot.destinationDirectory);
        slot.fileHandle = kInvalidFileHandle;
        slot.dataSize = 0;
        slot.fileKind = 1;
        slot.fileLocked = 0;
    }
    if (hooks.released != nullptr) hooks.released();
    return keyFreed;
}

}  // namespace vkt::runtime
