// What the send, request and verify operations share: the checks at their start, the failure
// paths, and reading and changing this process's session slot under the table mutex.
//
// Failure paths record the code first and set activity 1 last, so a client polling the
// activity finds the failure in VKTError (and, after a release, the slot free).
#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/crypto.h"
#include "runtime/table/session_slot.h"

namespace vkt::runtime {
class Connection;
struct ProcessState;
}  // namespace vkt::runtime

namespace vkt::protocol {

class TransferFile;

constexpr std::size_t kMaxTextLength = 253;
// Longest additional text of a send request, and the verify answer buffer of the caller.
constexpr std::size_t kMaxAdditionalText = 2048;
constexpr std::size_t kAnswerBufferSize = 2048;

// 1 to 253 bytes.
bool TextFits(const char* text);

// The start every operation shares: the library is loaded, the id names this process's
// session (40039, recorded beside what the list holds; activity 1 unless an operation runs),
// no other operation of this process runs (40063, recorded), then activity 2 with function
// and step and the error list emptied. 0 when the operation may go on; otherwise the code,
// already handled as its failure table says.
std::int32_t BeginOperation(std::int32_t session, const char* function, std::uint32_t step);
// As above for VKTSolicitar, which resets the status block before it starts.
std::int32_t BeginOperationReset(std::int32_t session, const char* function, std::uint32_t step);

// Recorded, activity 1, returned.
std::int32_t Fail(std::int32_t code);
// Recorded, the session released, activity 1, returned.
std::int32_t FailReleasing(std::int32_t code);
// The code of an error report in plaintext (recorded as the server's text), activity 1.
std::int32_t FailWithServerText(const std::uint8_t* text, std::uint32_t length);

// An error report that arrived sealed: unsealed with the session key and recorded as the
// server's text (or the unseal failure recorded), activity 1; the code returned.
std::int32_t FailWithSealedReport(const std::uint8_t* sealed, std::uint32_t length);

// The session's key, or 0 when this process holds no session with a key.
crypto::Handle SessionKey();
bool HasSessionKey();

// The slot's fields the operations read, copied out under the table mutex.
struct SlotFacts {
    char userName[256] = {};
    char keyDirectory[258] = {};
    char currentFileName[258] = {};
    char destinationDirectory[256] = {};
    std::uint32_t keyOffset = 0;
    std::uint32_t keyLength = 0;
    std::uint32_t dataSize = 0;
    std::uint32_t fileKind = 0;
    std::uint32_t fileHandle = runtime::kInvalidFileHandle;
    std::uint32_t fileLocked = 0;
    std::int32_t sessionId = -1;
    crypto::Handle sessionKey = 0;
};
// False when this process holds no session.
bool ReadSlotFacts(SlotFacts* facts);

// Runs change on the slot under the table mutex when this process holds the session; false
// otherwise (change not run).
bool ChangeSlotImpl(void (*apply)(runtime::SessionSlot&, void*), void* context);
template <typename Change>
bool ChangeSlot(Change&& change) {
    return ChangeSlotImpl(
        [](runtime::SessionSlot& slot, void* context) { (*static_cast<Change*>(context))(slot); },
        &change);
}

// Closes and unlocks the file the slot keeps, if any, and clears the slot's file fields.
void CloseKeptFile();
// Closes and unlocks file (keep open cleared) and, when the slot records that descriptor,
// clears the slot's file fields.
void DropFile(TransferFile& file);

// Sends one frame under the connection's send lock; notifications are left off. 0 or the
// status code of the build or the send; 40039 without a connection.
std::int32_t SendLocked(const char* characteristic, const char* messageType, const void* data,
                        std::uint32_t count);
// Turns notifications back on under the send lock, when the connection is still open.
void EnableNotificationsLocked();

}  // namespace vkt::protocol
