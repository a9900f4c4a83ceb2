// Verifying a file before it is sent: VKTVerificar checks the file locally, sends the sealed
// verify query "Q" NAME and waits on the caller's thread for the server's answer ("O", the
// sealed answer text) or error report ("9"), at most 60 seconds.
//
// The dispatcher copies the answer frame into the verify mailbox before it wakes the caller,
// so a later frame cannot replace it while the caller reads it.
#pragma once

#include <cstdint>

namespace vkt::runtime {
class Connection;
}

namespace vkt::protocol {

// The whole of VKTVerificar. answer must hold 2,048 bytes; an answer that would not fit with
// its NUL is refused with 40004 (nothing written, the session kept).
std::int32_t VerifyFile(std::int32_t session, const char* path, std::int32_t tipo, char* answer,
                        std::int32_t* answerLength);

// kVerifyAnswer: nothing awaited any more, notifications off, the frame handed to the waiting
// caller.
void HandleVerifyAnswer(runtime::Connection& connection);

// The longest wait for the answer: 60,000 ms, or VKT_VERIFY_WAIT_MS when set to a positive
// number (tests only).
std::int32_t VerifyWaitMilliseconds();

}  // namespace vkt::protocol
