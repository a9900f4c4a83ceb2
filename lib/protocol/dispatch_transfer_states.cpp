// The dispatcher's entries for the transfers: the request, the send and the verify. The
// session timers are paused while a handler runs, so keep-alives are neither sent nor awaited
// during a transfer step.
#include "protocol/dispatch.h"
#include "protocol/operation_support.h"
#include "protocol/request.h"
#include "protocol/send.h"
#include "protocol/verify.h"
#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"
#include "runtime/status/status_block.h"

namespace vkt::protocol {

// Dispatch sends only kFileBlock and kFileDigest here. No other value names a message of a
// request, so an unknown one, which would be ignored, cannot occur.
void DispatchRequestState(runtime::Connection& connection, runtime::Awaiting awaited) {
    connection.DisableNotifications();
    PauseSessionTimers();
    if (awaited == runtime::Awaiting::kFileBlock) {
        HandleFileBlock(connection);
    } else if (HandleFileDigest(connection) == 0) {
        runtime::Process().status->SetActivity(runtime::kActivityIdle);
    }
    ResumeSessionTimers();  // nothing when the session has been released
    EnableNotificationsLocked();
}

// Dispatch sends only kSendRequestAnswer and kSignatureAnswer here. No other value names a
// message of a send, so an unknown one, which would be ignored, cannot occur.
void DispatchSendState(runtime::Connection& connection, runtime::Awaiting awaited) {
    if (awaited == runtime::Awaiting::kSignatureAnswer) {
        connection.DisableNotifications();
        PauseSessionTimers();
        HandleEndOfSend(connection);
        ResumeSessionTimers();
        EnableNotificationsLocked();
    } else {
        // The answer to the send request. The loop turns notifications back on at its end.
        PauseSessionTimers();
        HandleSendLoop(connection);
        ResumeSessionTimers();
    }
}

void DispatchVerifyState(runtime::Connection& connection) {
    HandleVerifyAnswer(connection);
}

}  // namespace vkt::protocol
