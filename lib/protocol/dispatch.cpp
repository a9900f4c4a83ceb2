// Dispatch: what the connection awaits chooses the handler of an incoming frame.
#include "protocol/dispatch.h"

#include "protocol/connect.h"
#include "runtime/event/event_thread.h"
#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"
#include "runtime/status/status_block.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {

void InstallDispatch() {
    runtime::SetDispatchHook(&Dispatch);
    InstallReleaseHooks();
}

void Dispatch(runtime::Connection& connection) {
    using runtime::Awaiting;
    const Awaiting awaited = connection.Awaited();
    // No default: every value has its case, and the compiler asks for a new one's.
    switch (awaited) {
        case Awaiting::kNothing:
            break;  // the frame is ignored
        case Awaiting::kSessionKey: {
            // After a busy reply the connection waits for the session key with the
            // keep-alive timer paused, but the idle watchdog counts on: a server that then
            // stays silent ends the session with 49997 like anywhere else. Any other failure
            // released the session and its timers.
            PauseSessionTimers();
            const std::int32_t result = HandleConnectReply(connection);
            if (result == 0) {
                connection.SetAwaiting(Awaiting::kLineParameters);
                ResumeSessionTimers();
            } else if (result == runtime::kServerBusy) {
                ResumeIdleWatchdog();
            }
            break;
        }
        case Awaiting::kLineParameters:
            PauseSessionTimers();
            HandleLineParameters(connection);
            connection.SetAwaiting(Awaiting::kNothing);
            if (runtime::StatusBlock* status = runtime::Process().status) {
                status->SetActivity(runtime::kActivityIdle);
            }
            ResumeSessionTimers();
            break;
        case Awaiting::kFileBlock:
        case Awaiting::kFileDigest:
            DispatchRequestState(connection, awaited);
            break;
        case Awaiting::kSendRequestAnswer:
        case Awaiting::kSignatureAnswer:
            DispatchSendState(connection, awaited);
            break;
        case Awaiting::kVerifyAnswer:
            DispatchVerifyState(connection);
            break;
    }
}

}  // namespace vkt::protocol
