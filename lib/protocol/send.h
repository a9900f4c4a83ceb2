// Sending a file: VKTEnviar on the caller's thread, then the blocks, the signature and the end
// on the event thread; on the right, what the connection awaits next (runtime/net/awaiting.h).
//
//   caller                  check the file (or reuse the one kept from a refused request),
//                           check the key and password, send the sealed request
//                           "F" NAME[,TEXT]                           -> kSendRequestAnswer
//   kSendRequestAnswer "O"  blocks "T" (the first with 10 digits of the data size), MD5 over
//                           their plaintexts, signature "S" of that digest -> kSignatureAnswer
//   kSignatureAnswer "O"    delivered: activity 0                     -> kNothing
//   "9"                     the server's error report is recorded; the session stays open
#pragma once

#include <cstdint>

namespace vkt::runtime {
class Connection;
}

namespace vkt::protocol {

// The whole of VKTEnviar. 0 once the request is on its way (activity stays 2), else the code,
// recorded, activity 1.
std::int32_t SendFile(std::int32_t session, const char* password, const char* path,
                      std::int32_t tipo, const char* additional, std::int32_t additionalLength);

// kSendRequestAnswer: the answer to the send request; on acceptance the blocks and the signature.
std::int32_t HandleSendLoop(runtime::Connection& connection);
// kSignatureAnswer: the answer to the signature.
std::int32_t HandleEndOfSend(runtime::Connection& connection);

// The payload of a send request: internal name, and when additional is given and
// additionalLength > 0, "," and exactly min(additionalLength, 2,048) bytes: the text up to its
// first NUL, zero bytes after it. Writes into out (capacity bytes, a NUL behind the payload)
// and returns the payload's length; 0 when it does not fit.
std::uint32_t SendRequestPayload(const char* internalName, const char* additional,
                                 std::int32_t additionalLength, char* out, std::uint32_t capacity);

}  // namespace vkt::protocol
