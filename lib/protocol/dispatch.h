// The dispatcher of incoming frames: runs on the event thread for every frame that is not a
// keep-alive and hands it to the handler of the connection's operation state.
//
//   state/sub  awaited message                 handler
//   0/0        none (frames are ignored)       -
//   1/0        session-key reply               HandleConnectReply, then 4/0
//   4/0        line parameters (any frame)     HandleLineParameters, then 0/0, activity 0
//   2/10, 2/11 file block, file digest         DispatchRequestState
//   3/10, 3/12 acceptance or error report      DispatchSendState
//   5/*        verify answer or error report   DispatchVerifyState
//
// Senders hold the connection's SendLock() around "set fields, build, send, set state" and
// never while waiting for a reply.
#pragma once

#include <cstdint>

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
// True while this process holds the session slot.
bool SessionHeldHere();

// The handlers of the transfer states, one per operation: the request (state 2), the send
// (state 3) and the verify (state 5). Each receives the whole state so that it can tell its
// substates apart.
void DispatchRequestState(runtime::Connection& connection, std::uint32_t substate);
void DispatchSendState(runtime::Connection& connection, std::uint32_t substate);
void DispatchVerifyState(runtime::Connection& connection, std::uint32_t substate);

}  // namespace vkt::protocol
