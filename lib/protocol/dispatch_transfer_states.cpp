// The dispatcher's entries for the transfer states: the request (state 2), the send (state 3)
// and the verify (state 5). The session timers are paused while a handler runs, so keep-alives
// are neither sent nor awaited during a transfer step.
#include "protocol/dispatch.h"
#include "protocol/operation_support.h"
#include "protocol/request.h"
#include "protocol/send.h"
#include "protocol/verify.h"
#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"
#include "runtime/status/status_block.h"

namespace vkt::protocol {

void DispatchRequestState(runtime::Connection& connection, std::uint32_t substate) {
    if (substate != 10 && substate != 11) return;
    connection.DisableNotifications();
    PauseSessionTimers();
    if (substate == 10) {
        HandleFileBlock(connection);
    } else if (HandleFileDigest(connection) == 0) {
        runtime::Process().status->SetActivity(runtime::kActivityIdle);
    }
    ResumeSessionTimers();  // nothing when the session has been released
    EnableNotificationsLocked();
}

void DispatchSendState(runtime::Connection& connection, std::uint32_t substate) {
    if (substate == 12) {
        connection.DisableNotifications();
        PauseSessionTimers();
        HandleEndOfSend(connection);
        ResumeSessionTimers();
        EnableNotificationsLocked();
    } else if (substate == 10) {
        // The loop turns notifications back on at its end.
        PauseSessionTimers();
        HandleSendLoop(connection);
        ResumeSessionTimers();
    }
}

void DispatchVerifyState(runtime::Connection& connection, std::uint32_t) {
    HandleVerifyAnswer(connection);
}

}  // namespace vkt::protocol
