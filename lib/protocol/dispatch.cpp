// Dispatch: the operation state of the connection chooses the handler of an incoming frame.
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
    switch (connection.GetState()) {
        case 1: {
            // After a busy reply the connection waits in state 1 for the session key with the
            // keep-alive timer paused, but the idle watchdog counts on: a server that then
            // stays silent ends the session with 49997 like anywhere else. Any other failure
            // released the session and its timers.
            PauseSessionTimers();
            const std::int32_t result = HandleConnectReply(connection);
            if (result == 0) {
                connection.SetState(4, 0);
                ResumeSessionTimers();
            } else if (result == runtime::kServerBusy) {
                ResumeIdleWatchdog();
            }
            break;
        }
        case 4:
            PauseSessionTimers();
            HandleLineParameters(connection);
            connection.SetState(0, 0);
            if (runtime::StatusBlock* status = runtime::Process().status) {
                status->SetActivity(runtime::kActivityIdle);
            }
            ResumeSessionTimers();
            break;
        case 2:
            DispatchRequestState(connection, connection.GetSubstate());
            break;
        case 3:
            DispatchSendState(connection, connection.GetSubstate());
            break;
        case 5:
            DispatchVerifyState(connection, connection.GetSubstate());
            break;
        default:
            break;  // idle: nothing is awaited
    }
}

}  // namespace vkt::protocol
