// The two handlers that complete a connect on the event thread: the session-key reply
// (kSessionKey) and the line parameters (kLineParameters).
#include <cstring>

#include "protocol/connect.h"
#include "protocol/key_context.h"
#include "protocol/operation_support.h"
#include "runtime/event/event_handlers.h"
#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"
#include "runtime/status/status_code.h"
#include "runtime/table/shared_table.h"
#include "runtime/table/slot_owner.h"
#include "runtime/table/table_lock.h"

namespace vkt::protocol {
namespace {

// Puts the session key into the slot of the same session; false when that session is gone.
bool StoreSessionKey(std::int32_t sessionId, crypto::Handle key) {
    runtime::SharedTable* table = runtime::Process().table;
    if (table == nullptr) return false;
    runtime::TableLock lock(table);
    runtime::SessionSlot* slot = table->Slot();
    if (!lock.Held() || slot == nullptr || !runtime::SlotHeldHere(*slot) ||
        slot->sessionId != sessionId) {
        return false;
    }
    slot->sessionKey = key;
    return true;
}

// The session key from the envelope in the incoming data, stored in the slot.
std::int32_t OpenSessionKey(runtime::Connection& connection) {
    const runtime::IncomingMessage& incoming = connection.Incoming();
    runtime::StatusBlock& status = *runtime::Process().status;
    status.SetBytesDone(incoming.length);
    status.SetBytesTotal(incoming.length);

    SlotFacts facts;
    if (!ReadSlotFacts(&facts)) return runtime::kNoSession;
    KeyContext context(facts.userName, connection.KeyPassword(), facts.keyDirectory,
                       facts.keyOffset, facts.keyLength);
    crypto::Handle sessionKey = 0;
    const std::int32_t result = context.OpenEnvelope(&sessionKey, incoming.Text(), incoming.length);
    if (result != 0) return result;
    if (!StoreSessionKey(facts.sessionId, sessionKey)) {
        KeyContext::DestroySessionKey(sessionKey);
        return runtime::kNoSession;
    }
    return runtime::kStatusOk;
}

}  // namespace

std::int32_t HandleConnectReply(runtime::Connection& connection) {
    runtime::ProcessState& process = runtime::Process();
    process.status->SetStep(VKT_STEP_OPENING_SESSION);
    process.status->SetActivity(runtime::kActivityRunning);

    const runtime::IncomingMessage& incoming = connection.Incoming();
    switch (incoming.messageType) {
        case '2':
        case '9':
            break;
        case '0':
            // The server is busy: the session still awaits its key.
            process.errors->Add(runtime::kServerBusy);
            return runtime::kServerBusy;
        default:
            return FailReleasing(runtime::kBadMessageType);
    }
    if (incoming.characteristic != '1' && incoming.characteristic != '4') {
        return FailReleasing(runtime::kBadCharacteristic);
    }

    if (incoming.messageType == '9') {
        const std::int32_t code = process.errors->AddServerText(incoming.Text(), incoming.length);
        runtime::ReleaseSession();
        process.status->SetActivity(runtime::kActivityFailed);
        return code;
    }

    const std::int32_t result = OpenSessionKey(connection);
    if (result != runtime::kStatusOk) return FailReleasing(result);
    // The password is not needed any more: every later use asks the caller for it again.
    connection.SetKeyPassword("");
    return runtime::kStatusOk;
}

std::int32_t HandleLineParameters(runtime::Connection& connection) {
    runtime::ProcessState& process = runtime::Process();
    process.status->SetStep(VKT_STEP_OPENING_SESSION);
    process.status->SetActivity(runtime::kActivityRunning);
    return connection.ParseLineParameters();
}

}  // namespace vkt::protocol
