// VKTVerificar: the file validated and held locked for the length of the call, the sealed
// verify query sent, the answer awaited in the verify mailbox and returned to the caller.
#include "protocol/verify.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "crypto/core/alloc.h"
#include "protocol/connect.h"
#include "protocol/key_context.h"
#include "protocol/operation_support.h"
#include "protocol/transfer_file.h"
#include "protocol/verify_mailbox.h"
#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {
namespace {

constexpr std::int32_t kDefaultWaitMs = 60000;

// The answer frame, unsealed and handed to the caller. 0 or the code, recorded.
std::int32_t TakeAnswer(const VerifyFrame& frame, TransferFile& file, char* answer,
                        std::int32_t* answerLength) {
    if (frame.messageType != 'O' && frame.messageType != '9') {
        return FailReleasing(runtime::kBadMessageType);
    }
    KeyContext context;
    std::int32_t result = context.Unseal(SessionKey(), frame.data.data(),
                                         static_cast<std::uint32_t>(frame.data.size()));
    if (result != runtime::kStatusOk) {
        DropFile(file);
        return Fail(result);
    }
    if (frame.messageType == '9') {
        DropFile(file);
        return FailWithServerText(context.WorkBuffer(), context.WorkLength());
    }
    // The caller's buffer holds 2,048 bytes: the answer and its NUL must fit.
    const std::uint32_t length = context.WorkLength();
    DropFile(file);
    if (length + 1 > kAnswerBufferSize) return Fail(runtime::kBadLength);
    std::memcpy(answer, context.WorkBuffer(), length);
    answer[length] = '\0';
    *answerLength = static_cast<std::int32_t>(length);
    return runtime::kStatusOk;
}

}  // namespace

std::int32_t VerifyWaitMilliseconds() {
    const char* text = std::getenv("VKT_VERIFY_WAIT_MS");
    if (text == nullptr) return kDefaultWaitMs;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value <= 0 || value > kDefaultWaitMs) {
        return kDefaultWaitMs;
    }
    return static_cast<std::int32_t>(value);
}

void HandleVerifyAnswer(runtime::Connection& connection) {
    connection.SetAwaiting(runtime::Awaiting::kNothing);
    connection.DisableNotifications();
    const runtime::IncomingMessage& incoming = connection.Incoming();
    TheVerifyMailbox().Deliver(incoming.messageType, incoming.Bytes(), incoming.length);
}

std::int32_t VerifyFile(std::int32_t session, const char* path, std::int32_t tipo, char* answer,
                        std::int32_t* answerLength) {
    std::int32_t result = BeginOperation(session, "VKTVerificar", VKT_STEP_CHECKING_FILE);
    if (result != runtime::kStatusOk) return result;
    runtime::ProcessState& process = runtime::Process();

    // Without somewhere to put the answer the query is pointless: a bad argument.
    if (!TextFits(path) || answer == nullptr || answerLength == nullptr) {
        return Fail(runtime::kInvalidParameter);
    }
    process.status->SetFileName(path);
    if (!HasSessionKey()) return Fail(runtime::kNoSession);

    CloseKeptFile();
    auto file = std::unique_ptr<TransferFile>(new (std::nothrow) TransferFile(path, tipo));
    if (file == nullptr) return FailReleasing(runtime::kNoMemory);
    process.status->SetStep(VKT_STEP_CHECKING_FILE);
    result = file->Validate();
    if (result != runtime::kStatusOk) return Fail(result);  // the object closes the file
    ChangeSlot([&file](runtime::SessionSlot& slot) { file->StoreIn(slot); });

    KeyContext context;
    result = context.Seal(SessionKey(), reinterpret_cast<const std::uint8_t*>(file->InternalName()),
                          static_cast<std::uint32_t>(std::strlen(file->InternalName())));
    if (result != runtime::kStatusOk) {
        DropFile(*file);
        return Fail(result);
    }

    runtime::Connection& connection = *process.connection;
    process.status->SetStep(VKT_STEP_CHECKING_FILE);
    process.status->SetBytesTotal(context.WorkLength());
    {
        std::unique_lock<std::recursive_mutex> sending(connection.SendLock());
        result = SendMessage(connection, "2", "Q", context.WorkBuffer(), context.WorkLength());
        if (result != runtime::kStatusOk) {
            sending.unlock();
            DropFile(*file);
            return FailReleasing(result);
        }
        // Armed and the state recorded before notifications are back on: the answer cannot
        // be dispatched before the caller waits for it.
        TheVerifyMailbox().Arm();
        process.status->SetBytesDone(context.WorkLength());
        connection.SetAwaiting(runtime::Awaiting::kVerifyAnswer);
        connection.EnableNotifications();
    }

    VerifyFrame frame;
    switch (
        TheVerifyMailbox().WaitFor(std::chrono::milliseconds(VerifyWaitMilliseconds()), &frame)) {
        case VerifyMailbox::Outcome::kFrame:
            break;
        case VerifyMailbox::Outcome::kAbandoned: {
            // The session ended while the answer was awaited (the server closed, the line
            // failed): what ended it is recorded already and is the result.
            const std::int32_t code = process.errors->LastCode();
            process.status->SetActivity(runtime::kActivityFailed);
            return code != 0 ? code : runtime::kServerClosed;
        }
        case VerifyMailbox::Outcome::kTimedOut:
            // The release closes the file kept in the slot.
            return FailReleasing(runtime::kTimeout);
    }
    result = TakeAnswer(frame, *file, answer, answerLength);
    crypto::CryptoWipe(frame.data.data(), frame.data.size());
    if (result != runtime::kStatusOk) return result;
    EnableNotificationsLocked();
    process.status->SetActivity(runtime::kActivityIdle);
    return runtime::kStatusOk;
}

}  // namespace vkt::protocol
