// The dispatcher of incoming frames: runs on the event thread for every frame that is not a
// keep-alive and hands it to the handler of what the connection awaits (runtime/net/awaiting.h):
// the session key to HandleConnectReply (then the line parameters are awaited), the line
// parameters to HandleLineParameters (then nothing, activity 0), the transfers' messages to
// the three entries below.
//
// Senders hold the connection's SendLock() around "set fields, build, send, set state" and
// never while waiting for a reply.
#pragma once

#include "runtime/net/awaiting.h"

namespace vkt::runtime {
class Connection;
}

namespace vkt::protocol {

// Installs Dispatch as the event thread's dispatch hook and the release hooks (idempotent).
void InstallDispatch();
// Installs the protocol's part of every release of the session as the table's release hooks
// (release_hooks.h): before the slot is freed a request's partly received file is deleted and
// the session key destroyed; after it a caller waiting for a verify answer is woken.
void InstallReleaseHooks();
void Dispatch(runtime::Connection& connection);

// Pause and resume the keep-alive timer and the idle watchdog of the session this process
// holds; nothing when it holds none.
void PauseSessionTimers();
void ResumeSessionTimers();
// Resumes only the idle watchdog (the wait after a busy reply, when no keep-alive is sent).
void ResumeIdleWatchdog();

// The entries of the transfers, one per operation: the request (a file block or the file
// digest awaited), the send (the answer to the send request or to the signature) and the
// verify (the verify answer). The first two receive what is awaited to tell those apart.
void DispatchRequestState(runtime::Connection& connection, runtime::Awaiting awaited);
void DispatchSendState(runtime::Connection& connection, runtime::Awaiting awaited);
void DispatchVerifyState(runtime::Connection& connection);

}  // namespace vkt::protocol
