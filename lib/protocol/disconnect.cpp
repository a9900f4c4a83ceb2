// VKTDesconectar: the slot released (disconnect notice, socket closed, timers and kept file
// freed) and the connection retired, all on the caller's thread.
#include "protocol/disconnect.h"

#include <mutex>

#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"
#include "runtime/status/status_code.h"
#include "runtime/table/table_access.h"

namespace vkt::protocol {

void RetireConnection() {
    runtime::Connection* connection = runtime::Process().connection;
    if (connection == nullptr) return;
    std::lock_guard<std::recursive_mutex> sending(connection->SendLock());
    connection->Close();
    connection->SetLineParameters(runtime::Connection::kMaxBlock, 0);
    connection->SetAwaiting(runtime::Awaiting::kNothing);
    connection->SetKeyPassword("");
}

std::int32_t DisconnectSession(std::int32_t session) {
    runtime::ProcessState& process = runtime::Process();
    if (process.status == nullptr || process.errors == nullptr) return runtime::kNoMemory;
    if (process.status->GetActivity() == runtime::kActivityRunning) {
        process.errors->Add(runtime::kOperationRunning);
        return runtime::kOperationRunning;
    }
    process.status->Reset();
    process.status->SetFunction("VKTDesconectar");
    process.status->SetStep(VKT_STEP_DISCONNECTING);
    process.status->SetActivity(runtime::kActivityRunning);
    process.errors->Clear();

    if (process.table == nullptr) {
        process.errors->Add(runtime::kNoMemory);
        process.status->SetActivity(runtime::kActivityFailed);
        return runtime::kNoMemory;
    }
    runtime::Connection* connection = process.connection;
    runtime::TableAccess table(process.table, connection);
    std::int32_t result = runtime::kStatusOk;
    {
        // No keep-alive may mix its fields into the disconnect notice. The id is checked under
        // the send lock too: the event thread ends a session (the server closed it) under the
        // same lock, so the session is either still there and released here, or already gone.
        std::unique_lock<std::recursive_mutex> sending;
        if (connection != nullptr) {
            sending = std::unique_lock<std::recursive_mutex>(connection->SendLock());
        }
        if (!table.IsSessionId(session)) {
            process.errors->Add(runtime::kNoSession);
            process.status->SetActivity(runtime::kActivityFailed);
            return runtime::kNoSession;
        }
        if (connection != nullptr) connection->DisableNotifications();
        if (!table.ReleaseSlot(session)) {
            process.errors->Add(runtime::kNoSessionToClose);
            result = runtime::kNoSessionToClose;
        }
    }
    RetireConnection();
    process.status->SetActivity(result == runtime::kStatusOk ? runtime::kActivityIdle
                                                             : runtime::kActivityFailed);
    return result;
}

}  // namespace vkt::protocol
