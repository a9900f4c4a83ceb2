// VKTConectar: checks, the key file, the socket, the slot, the connect request and follow-up.
// The reply (kSessionKey) is awaited on the event thread; activity stays 2 until then.
#include "protocol/connect.h"

#include <cstring>
#include <mutex>
#include <new>

#include "protocol/disconnect.h"
#include "protocol/dispatch.h"
#include "protocol/key_check.h"
#include "protocol/operation_support.h"
#include "runtime/event/event_handlers.h"
#include "runtime/event/event_thread.h"
#include "runtime/net/connection.h"
#include "runtime/net/socket_status.h"
#include "runtime/process/process_state.h"
#include "runtime/status/status_code.h"
#include "runtime/table/table_access.h"

namespace vkt::protocol {
namespace {

using runtime::kAlreadyConnected;
using runtime::kPasswordRefused;

// A failure after the slot was claimed: the session is released (disconnect notice, socket
// closed, timers and slot freed) and the caller's id goes back to 0.
std::int32_t FailReleasingSession(runtime::ProcessState& process, std::int32_t code,
                                  std::int32_t* session) {
    process.errors->Add(code);
    runtime::ReleaseSession();
    *session = 0;
    process.status->SetActivity(runtime::kActivityFailed);
    return code;
}

// The process's connection for this server, made or updated; null without memory.
runtime::Connection* PrepareConnection(runtime::ProcessState& process, const char* server,
                                       const char* service, std::int32_t timeout) {
    if (process.connection == nullptr) {
        process.connection = new (std::nothrow)
            runtime::Connection(server, service, runtime::EventThread::Current(), timeout);
        return process.connection;
    }
    process.connection->SetHost(server);
    process.connection->SetService(service);
    process.connection->SetTimeout(timeout);
    process.connection->SetWindow(runtime::EventThread::Current());
    return process.connection;
}

}  // namespace

std::int32_t ConnectSession(const char* server, const char* service, const char* user,
                            const char* password, const char* path, std::int32_t timeout,
                            std::int32_t* session) {
    runtime::ProcessState& process = runtime::Process();
    if (process.status == nullptr || process.errors == nullptr || process.table == nullptr) {
        return runtime::kNoMemory;  // the library did not load
    }
    if (session != nullptr) *session = 1;
    if (process.status->GetActivity() == runtime::kActivityRunning) {
        process.errors->Add(runtime::kOperationRunning);
        return runtime::kOperationRunning;
    }
    process.status->SetFunction("VKTConectar");
    process.status->SetStep(VKT_STEP_CONNECTING);
    process.status->SetActivity(runtime::kActivityRunning);
    process.errors->Clear();

    // Without somewhere to put the id the session could never be ended: refused as a bad
    // argument.
    if (session == nullptr || !TextFits(password) || !TextFits(user) || !TextFits(server) ||
        !TextFits(service) || !TextFits(path)) {
        return Fail(runtime::kInvalidParameter);
    }

    runtime::TableAccess table(process.table, process.connection);
    if (!table.HasFreeSlot()) return Fail(runtime::kTooManySessions);

    if (runtime::EventThread::Start() != runtime::kStatusOk) {
        return Fail(runtime::kEventThreadFailed);
    }
    InstallDispatch();

    runtime::KeyLocation location{};
    if (!ResolveKeyDirectory(path, &location)) return Fail(runtime::kInvalidParameter);

    // Recorded by the check itself; a refused password still reaches the server as the
    // password-failure notice.
    const std::int32_t keyResult = CheckKeyAtConnect(user, password, &location, process.errors);
    if (keyResult != 0 && keyResult != kPasswordRefused) {
        process.status->SetActivity(runtime::kActivityFailed);
        return keyResult;
    }

    runtime::Connection* connection = PrepareConnection(process, server, service, timeout);
    if (connection == nullptr) return Fail(runtime::kNoMemory);
    if (connection->IsConnected()) return Fail(kAlreadyConnected);

    // The socket is watched only once the reply is awaited: a server that answers at once
    // (a refusal, then a close) must find its frame read as the awaited reply, not dropped.
    const std::int32_t connected = connection->Connect(runtime::Connection::Watch::kLater);
    if (connected != runtime::kStatusOk) {
        RetireConnection();
        return Fail(connected);
    }

    const std::int32_t id =
        runtime::TableAccess(process.table, connection).ClaimSlot(user, location);
    if (id < 0) {
        *session = 0;
        connection->Close();
        return Fail(runtime::kTooManySessions);
    }
    *session = id;
    // Every socket event from here on carries this session.
    connection->BindSession(id);

    const auto userLength = static_cast<std::uint32_t>(std::strlen(user));
    process.status->SetBytesDone(0);
    process.status->SetBytesTotal(userLength);

    // From the first send until the awaited state is recorded no other thread sends or turns
    // notifications on, so the event thread cannot take the server's reply early.
    std::unique_lock<std::recursive_mutex> sending(connection->SendLock());
    std::int32_t result =
        SendMessage(*connection, "1", keyResult == kPasswordRefused ? "9" : "1", user, userLength);
    if (result != runtime::kStatusOk) return FailReleasingSession(process, result, session);
    process.status->SetBytesDone(userLength);

    if (keyResult == kPasswordRefused) {
        // 2604 is already recorded; the release sends the disconnect notice.
        runtime::ReleaseSession();
        *session = 0;
        process.status->SetActivity(runtime::kActivityFailed);
        return kPasswordRefused;
    }

    connection->SetKeyPassword(password);
    connection->SetAwaiting(runtime::Awaiting::kSessionKey);
    result = SendMessage(*connection, "1", "Z", nullptr, 0);
    if (result != runtime::kStatusOk) return FailReleasingSession(process, result, session);

    process.status->SetSessionId(static_cast<std::uint32_t>(id));
    if (StartSessionTimers(id) != runtime::kStatusOk) {
        return FailReleasingSession(process, runtime::kNoMemory, session);
    }
    if (!connection->EnableNotifications()) {
        return FailReleasingSession(process, runtime::LastSocketStatus(), session);
    }
    return runtime::kStatusOk;
}

}  // namespace vkt::protocol
