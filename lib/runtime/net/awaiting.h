// What the connection awaits from the server: the exchange in progress, which decides the
// handler an incoming frame goes to (the protocol's dispatcher). The connection holds it in one
// atomic, so no thread sees half of a change. It is set by the operation that sent a request
// (under the connection's SendLock(), before notifications are back on) and by the handlers,
// and reset to kNothing by the idle watchdog's firing and by every close of the session.
//
// Beside each enumerator: the exchange's state/substate numbers, who sets it, and the message
// awaited. An error report "9" is accepted in place of every awaited message.
#pragma once

#include <cstdint>

namespace vkt::runtime {

enum class Awaiting : std::uint8_t {
    // 0/0  A new or closed connection, the end of most handlers, the idle watchdog: nothing;
    //      incoming frames are ignored.
    kNothing,
    // 1/0  VKTConectar after its follow-up "Z" (and still after a busy reply "0"): the
    //      session-key reply "2".
    kSessionKey,
    // 4/0  The session-key handler on success: the line parameters (any frame).
    kLineParameters,
    // 3/10 VKTEnviar after the sealed send request "F": the acceptance "O", on which the send
    //      loop sends the blocks and the signature.
    kSendRequestAnswer,
    // 3/12 The send loop once the signature "S" is sent: the acceptance "O" of the file.
    kSignatureAnswer,
    // 2/10 VKTSolicitar after the sealed file request "P": a file block "T".
    kFileBlock,
    // 2/11 The block receiver once the last byte is written: the file digest "H".
    kFileDigest,
    // 5/12 VKTVerificar after the sealed verify query "Q": the verify answer "O", handed to the
    //      caller waiting for it.
    kVerifyAnswer,
};

}  // namespace vkt::runtime
