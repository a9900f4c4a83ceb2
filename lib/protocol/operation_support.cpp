// The start, the failure paths and the slot access shared by the send, request and verify
// operations.
#include "protocol/operation_support.h"

#include <cstring>
#include <mutex>

#include "protocol/connect.h"
#include "protocol/key_context.h"
#include "protocol/transfer_file.h"
#include "runtime/event/event_handlers.h"
#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"
#include "runtime/status/status_code.h"
#include "runtime/table/shared_table.h"
#include "runtime/table/slot_owner.h"
#include "runtime/table/table_access.h"
#include "runtime/table/table_lock.h"

namespace vkt::protocol {
namespace {

std::int32_t Begin(std::int32_t session, const char* function, std::uint32_t step, bool reset) {
    runtime::ProcessState& process = runtime::Process();
    if (process.status == nullptr || process.errors == nullptr) return runtime::kNoMemory;
    if (process.table == nullptr) {
        process.errors->Add(runtime::kNoMemory);
        process.status->SetActivity(runtime::kActivityFailed);
        return runtime::kNoMemory;
    }
    // A wrong or stale id is refused before anything changes: the error list keeps what it
    // holds (a close the user has not read yet) and the status block its function, and a
    // running operation's activity stays 2.
    if (!runtime::TableAccess(process.table, process.connection).IsSessionId(session)) {
        process.errors->Add(runtime::kNoSession);
        process.status->SetActivityUnlessRunning(runtime::kActivityFailed);
        return runtime::kNoSession;
    }
    // Checked and set in one step: two threads of the process cannot both start.
    if (!process.status->BeginOperation(function, step, reset)) {
        process.errors->Add(runtime::kOperationRunning);
        return runtime::kOperationRunning;
    }
    // Only now does the operation really start.
    process.errors->Clear();
    return runtime::kStatusOk;
}

}  // namespace

bool TextFits(const char* text) {
    if (text == nullptr) return false;
    const std::size_t length = ::strnlen(text, kMaxTextLength + 1);
    return length >= 1 && length <= kMaxTextLength;
}

std::int32_t BeginOperation(std::int32_t session, const char* function, std::uint32_t step) {
    return Begin(session, function, step, false);
}

std::int32_t BeginOperationReset(std::int32_t session, const char* function, std::uint32_t step) {
    return Begin(session, function, step, true);
}

std::int32_t Fail(std::int32_t code) {
    runtime::ProcessState& process = runtime::Process();
    process.errors->Add(code);
    process.status->SetActivity(runtime::kActivityFailed);
    return code;
}

std::int32_t FailReleasing(std::int32_t code) {
    runtime::ProcessState& process = runtime::Process();
    process.errors->Add(code);
    runtime::ReleaseSession();
    process.status->SetActivity(runtime::kActivityFailed);
    return code;
}

std::int32_t FailWithServerText(const std::uint8_t* text, std::uint32_t length) {
    runtime::ProcessState& process = runtime::Process();
    const std::int32_t code =
        process.errors->AddServerText(reinterpret_cast<const char*>(text), length);
    process.status->SetActivity(runtime::kActivityFailed);
    return code;
}

std::int32_t FailWithSealedReport(const std::uint8_t* sealed, std::uint32_t length) {
    KeyContext context;
    const std::int32_t result = context.Unseal(SessionKey(), sealed, length);
    if (result != 0) return Fail(result);
    return FailWithServerText(context.WorkBuffer(), context.WorkLength());
}

bool ChangeSlotImpl(void (*apply)(runtime::SessionSlot&, void*), void* context) {
    runtime::SharedTable* table = runtime::Process().table;
    if (table == nullptr) return false;
    runtime::TableLock lock(table);
    runtime::SessionSlot* slot = table->Slot();
    if (!lock.Held() || slot == nullptr || !runtime::SlotHeldHere(*slot)) return false;
    apply(*slot, context);
    return true;
}

bool ReadSlotFacts(SlotFacts* facts) {
    return ChangeSlot([facts](runtime::SessionSlot& slot) {
        std::memcpy(facts->userName, slot.userName, sizeof slot.userName);
        std::memcpy(facts->keyDirectory, slot.keyDirectory, sizeof slot.keyDirectory);
        std::memcpy(facts->currentFileName, slot.currentFileName, sizeof slot.currentFileName);
        std::memcpy(facts->destinationDirectory, slot.destinationDirectory,
                    sizeof slot.destinationDirectory);
        // The slot's texts are written zero-terminated; the copies end in a NUL regardless.
        facts->userName[sizeof facts->userName - 1] = '\0';
        facts->keyDirectory[sizeof facts->keyDirectory - 1] = '\0';
        facts->currentFileName[sizeof facts->currentFileName - 1] = '\0';
        facts->destinationDirectory[sizeof facts->destinationDirectory - 1] = '\0';
        facts->keyOffset = slot.keyOffset;
        facts->keyLength = slot.keyLength;
        facts->dataSize = slot.dataSize;
        facts->fileKind = slot.fileKind;
        facts->fileHandle = slot.fileHandle;
        facts->fileLocked = slot.fileLocked;
        facts->sessionId = slot.sessionId;
        facts->sessionKey = static_cast<crypto::Handle>(slot.sessionKey);
    });
}

crypto::Handle SessionKey() {
    crypto::Handle key = 0;
    ChangeSlot(
        [&key](runtime::SessionSlot& slot) { key = static_cast<crypto::Handle>(slot.sessionKey); });
    return key;
}

bool HasSessionKey() {
    return SessionKey() != 0;
}

void CloseKeptFile() {
    ChangeSlot([](runtime::SessionSlot& slot) { TransferFile::CloseKept(slot); });
}

namespace {

void CloseTransferFile(TransferFile& file) {
    if (!file.IsOpen()) return;  // closed (or its number reused) behind the object's back
    if (file.Locked()) file.Unlock();
    file.Close();
}

}  // namespace

// Closed under the table mutex: a release on another thread (the server closed the session)
// closes the file the slot keeps under the same mutex, so the descriptor is closed once, by
// whichever comes first, and never after its number has gone to another file.
void DropFile(TransferFile& file) {
    const int fd = file.Fd();
    file.SetKeepOpen(false);
    const bool held = ChangeSlot([&file, fd](runtime::SessionSlot& slot) {
        if (fd != runtime::kInvalidFd && slot.fileHandle == static_cast<std::uint32_t>(fd)) {
            slot.fileHandle = runtime::kInvalidFileHandle;
            std::memset(slot.currentFileName, 0, sizeof slot.currentFileName);
            slot.dataSize = 0;
            slot.fileKind = kFormattedFile;
            slot.fileLocked = 0;
        }
        CloseTransferFile(file);
    });
    // No session any more: its release closed what the slot kept, and the object finds out.
    if (!held) CloseTransferFile(file);
}

std::int32_t SendLocked(const char* characteristic, const char* messageType, const void* data,
                        std::uint32_t count) {
    runtime::Connection* connection = runtime::Process().connection;
    if (connection == nullptr) return runtime::kNoSession;
    std::lock_guard<std::recursive_mutex> sending(connection->SendLock());
    return SendMessage(*connection, characteristic, messageType, data, count);
}

void EnableNotificationsLocked() {
    runtime::Connection* connection = runtime::Process().connection;
    if (connection == nullptr) return;
    std::lock_guard<std::recursive_mutex> sending(connection->SendLock());
    if (connection->IsConnected()) connection->EnableNotifications();
}

}  // namespace vkt::protocol
