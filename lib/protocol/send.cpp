// VKTEnviar: the file checked and kept open and locked in the slot, the key and password
// checked, the sealed send request sent. The blocks follow on the event thread once the server
// accepts (send_loop.cpp).
#include "protocol/send.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "crypto/core/alloc.h"
#include "protocol/connect.h"
#include "protocol/key_context.h"
#include "protocol/operation_support.h"
#include "protocol/transfer_file.h"
#include "runtime/event/event_handlers.h"
#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {
namespace {

using runtime::kPasswordRefused;

// Internal name + "," + additional text + NUL.
constexpr std::uint32_t kPayloadCapacity = kMaxInternalName + 1 + kMaxAdditionalText + 1;

// A file kept open by an earlier VKTEnviar of exactly this path (on Linux another letter case
// names another file) is adopted into file; otherwise any kept file is closed. True when
// adopted.
bool AdoptKeptFile(const char* path, TransferFile** file) {
    bool adopted = false;
    ChangeSlot([&](runtime::SessionSlot& slot) {
        if (slot.fileHandle != runtime::kInvalidFileHandle &&
            std::strncmp(slot.currentFileName, path, sizeof slot.currentFileName) == 0) {
            auto* kept = new (std::nothrow) TransferFile(slot);
            if (kept != nullptr && kept->IsOpen() && kept->Describe() == 0) {
                *file = kept;
                adopted = true;
                return;
            }
            if (kept != nullptr) kept->SetKeepOpen(true);  // CloseKept below closes it
            delete kept;
        }
        TransferFile::CloseKept(slot);
    });
    return adopted;
}

}  // namespace

// With additional text and largo > 0 the payload is the internal name, "," and exactly
// min(largo, 2,048) bytes: the caller's bytes up to its first NUL, then zero bytes up to that
// count. Nothing beyond the first NUL is ever read (the caller may hold fewer bytes than it
// says); an empty text keeps its ",".
std::uint32_t SendRequestPayload(const char* internalName, const char* additional,
                                 std::int32_t additionalLength, char* out, std::uint32_t capacity) {
    const std::size_t nameLength = std::strlen(internalName);
    const bool withText = additional != nullptr && additionalLength > 0;
    const std::size_t count =
        withText ? std::min(static_cast<std::size_t>(additionalLength), kMaxAdditionalText) : 0;
    const std::size_t total = nameLength + (withText ? 1 + count : 0);
    if (nameLength == 0 || total + 1 > capacity) return 0;
    std::memcpy(out, internalName, nameLength);
    if (withText) {
        out[nameLength] = ',';
        const std::size_t copied = ::strnlen(additional, count);
        std::memcpy(out + nameLength + 1, additional, copied);
        std::memset(out + nameLength + 1 + copied, 0, count - copied);
    }
    out[total] = '\0';
    return static_cast<std::uint32_t>(total);
}

std::int32_t SendFile(std::int32_t session, const char* password, const char* path,
                      std::int32_t tipo, const char* additional, std::int32_t additionalLength) {
    std::int32_t result = BeginOperation(session, "VKTEnviar", VKT_STEP_CHECKING_FILE);
    if (result != runtime::kStatusOk) return result;
    runtime::ProcessState& process = runtime::Process();

    if (!TextFits(password) || !TextFits(path)) return Fail(runtime::kInvalidParameter);
    process.status->SetFileName(path);
    if (!HasSessionKey()) return Fail(runtime::kNoSession);

    TransferFile* file = nullptr;
    if (!AdoptKeptFile(path, &file)) {
        file = new (std::nothrow) TransferFile(path, tipo);
        if (file == nullptr) return FailReleasing(runtime::kNoMemory);
        process.status->SetStep(VKT_STEP_CHECKING_FILE);
        result = file->Validate();
        if (result != runtime::kStatusOk) {
            delete file;  // closes and unlocks it
            return Fail(result);
        }
        ChangeSlot([file](runtime::SessionSlot& slot) { file->StoreIn(slot); });
    }
    std::unique_ptr<TransferFile> owned(file);

    // The additional text is never read beyond the caller's first NUL.
    char payload[kPayloadCapacity];
    const std::uint32_t payloadLength = SendRequestPayload(
        file->InternalName(), additional, additionalLength, payload, sizeof payload);
    if (payloadLength == 0) {
        DropFile(*file);
        return Fail(runtime::kInvalidParameter);
    }

    SlotFacts facts;
    if (!ReadSlotFacts(&facts)) {
        DropFile(*file);
        return Fail(runtime::kNoSession);
    }
    KeyContext context(facts.userName, password, facts.keyDirectory, facts.keyOffset,
                       facts.keyLength);
    result = context.CheckKeyFile();
    if (result == 0) result = context.CheckPassword();
    if (result == 0) {
        result = context.Seal(facts.sessionKey, reinterpret_cast<const std::uint8_t*>(payload),
                              payloadLength);
    }
    crypto::CryptoWipe(payload, sizeof payload);
    if (result != 0) {
        DropFile(*file);
        process.errors->Add(result);
        if (result == kPasswordRefused) {
            const std::int32_t notice = SendLocked(
                "1", "9", facts.userName, static_cast<std::uint32_t>(std::strlen(facts.userName)));
            EnableNotificationsLocked();
            if (notice != runtime::kStatusOk) return FailReleasing(notice);
        }
        process.status->SetActivity(runtime::kActivityFailed);
        return result;
    }

    runtime::Connection& connection = *process.connection;
    process.status->SetStep(VKT_STEP_AUTHORISING);
    process.status->SetBytesTotal(context.WorkLength());
    std::unique_lock<std::recursive_mutex> sending(connection.SendLock());
    result = SendMessage(connection, "2", "F", context.WorkBuffer(), context.WorkLength());
    if (result != runtime::kStatusOk) {
        sending.unlock();
        DropFile(*file);
        return FailReleasing(result);
    }
    process.status->SetBytesDone(context.WorkLength());
    // The slot keeps the file open and locked until the blocks are sent. The object is gone
    // before notifications are back on: from then the event thread owns the descriptor and
    // may close it, so this thread must not look at it again.
    ChangeSlot([file](runtime::SessionSlot& slot) { file->HandOver(slot); });
    owned.reset();
    connection.SetKeyPassword(password);
    connection.SetAwaiting(runtime::Awaiting::kSendRequestAnswer);
    connection.EnableNotifications();
    return runtime::kStatusOk;
}

}  // namespace vkt::protocol
