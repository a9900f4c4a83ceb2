// The event thread's part of a send: the blocks once the server accepts the request, the
// signature of their digest, and the server's answer to it.
//
// Block plaintext: the first block starts with the data size as 10 decimal digits; then up to
// 8,192 bytes of the file's data range (from offset 38 of a formatted file, 0 of a plain one).
// The MD5 digest runs over every block plaintext, prefix included. Between blocks the socket is
// polled, so an error report from the server stops the transfer at once.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "crypto/core/alloc.h"
#include "protocol/connect.h"
#include "protocol/key_context.h"
#include "protocol/operation_support.h"
#include "protocol/send.h"
#include "protocol/transfer_file.h"
#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"
#include "runtime/status/status_code.h"
#include "runtime/timer/session_timer.h"

namespace vkt::protocol {
namespace {

constexpr std::uint32_t kBlockSize = 8192;
constexpr std::uint32_t kPrefixSize = 10;
using runtime::kCancelled;
constexpr std::chrono::milliseconds kBlockPause{25};

// A frame the server sent while blocks go out. 0 to go on, else the code that ends the loop
// (recorded; a transport failure also released the session).
std::int32_t PollServer(runtime::Connection& connection) {
    if (connection.HasData() <= 0) return runtime::kStatusOk;
    const std::int32_t received = connection.ReceiveFrame();
    connection.DisableNotifications();
    switch (received) {
        case runtime::kStatusOk: {
            const runtime::IncomingMessage& incoming = connection.Incoming();
            if (incoming.messageType != '9') return runtime::kStatusOk;
            return FailWithSealedReport(incoming.Bytes(), incoming.length);
        }
        case runtime::kServerKeepAlive:
            // The server is alive: the idle watchdog starts counting afresh.
            ChangeSlot([](runtime::SessionSlot& slot) {
                if (runtime::SessionTimer* watchdog = runtime::TimerAt(slot.idleWatchdog)) {
                    watchdog->SetCounter(runtime::SessionTimer::kMissed, 0);
                    watchdog->SetCounter(runtime::SessionTimer::kSpare, 0);
                }
            });
            return runtime::kStatusOk;
        case runtime::kNothingWaiting:
            return runtime::kStatusOk;
        default:
            return FailReleasing(received);
    }
}

// Sends every block of file, digesting their plaintexts into *digest. 0, or the code that
// ended the loop, recorded.
std::int32_t SendBlocks(runtime::Connection& connection, TransferFile& file, KeyContext& context,
                        crypto::Handle sessionKey, std::uint32_t dataSize, crypto::Handle* digest) {
    runtime::StatusBlock& status = *runtime::Process().status;
    std::vector<std::uint8_t> block(kPrefixSize + kBlockSize + 1);
    const std::uint32_t base = file.DataOffset();
    std::uint32_t done = 0;
    bool first = true;
    std::int32_t result = runtime::kStatusOk;
    while (result == runtime::kStatusOk) {
        if (status.GetActivity() == runtime::kActivityFailed) {
            result = Fail(kCancelled);
            break;
        }
        std::uint32_t prefix = 0;
        if (first) {
            char digits[kPrefixSize + 1];
            std::snprintf(digits, sizeof digits, "%.10u", dataSize);
            std::memcpy(block.data(), digits, kPrefixSize);
            prefix = kPrefixSize;
        }
        // The file is locked, so it cannot shrink; a short read is a read failure all the
        // same, never a shorter transfer than the size the first block announced.
        const std::uint32_t want = std::min(kBlockSize, dataSize - done);
        std::uint32_t got = 0;
        if (want != 0 &&
            (file.ReadAt(block.data() + prefix, base + done, want, &got) != 0 || got == 0)) {
            result = FailReleasing(runtime::kFileIoError);
            break;
        }
        done += got;

        result = PollServer(connection);
        if (result != runtime::kStatusOk) break;

        result = KeyContext::DigestUpdate(block.data(), prefix + got, crypto::kAlgMd5, digest);
        if (result == runtime::kStatusOk) {
            result = context.Seal(sessionKey, block.data(), prefix + got);
        }
        if (result == runtime::kStatusOk) {
            result = SendLocked("2", "T", context.WorkBuffer(), context.WorkLength());
        }
        context.FreeWorkBuffer();
        if (result != runtime::kStatusOk) {
            result = FailReleasing(result);
            break;
        }
        status.SetBytesDone(done);
        std::this_thread::sleep_for(kBlockPause);
        first = false;
        if (done >= dataSize) break;
    }
    crypto::CryptoWipe(block.data(), block.size());
    return result;
}

// Signs the digest and sends the signature; kSignatureAnswer once it is sent. 0 or the code,
// recorded.
std::int32_t SendSignature(runtime::Connection& connection, KeyContext& context,
                           crypto::Handle digest) {
    runtime::StatusBlock& status = *runtime::Process().status;
    status.SetStep(VKT_STEP_SIGNING);
    crypto::Handle signature = 0;
    std::uint32_t size = 0;
    std::int32_t result = context.SignDigest(digest, &signature, &size);
    if (result != runtime::kStatusOk) return Fail(result);
    status.SetBytesDone(2 * size);
    status.SetBytesTotal(2 * size);
    std::vector<char> hex(2 * static_cast<std::size_t>(size) + 1);
    result = KeyContext::SignatureToHex(signature, hex.data(), hex.size());
    KeyContext::FreeSignature(signature);
    if (result != runtime::kStatusOk) return Fail(result);

    std::unique_lock<std::recursive_mutex> sending(connection.SendLock());
    result = SendMessage(connection, "2", "S", hex.data(), 2 * size);
    if (result != runtime::kStatusOk) {
        sending.unlock();
        return FailReleasing(result);
    }
    connection.SetAwaiting(runtime::Awaiting::kSignatureAnswer);
    sending.unlock();
    status.SetStep(VKT_STEP_SERVER_PROCESSING);
    return runtime::kStatusOk;
}

std::int32_t SendAcceptedFile(runtime::Connection& connection) {
    runtime::StatusBlock& status = *runtime::Process().status;
    SlotFacts facts;
    if (!ReadSlotFacts(&facts)) return Fail(runtime::kNoSession);
    KeyContext context(facts.userName, connection.KeyPassword(), facts.keyDirectory,
                       facts.keyOffset, facts.keyLength);
    // Keep open cleared: the file is closed and unlocked when the blocks are done.
    TransferFile file(static_cast<int>(facts.fileHandle), facts.currentFileName, facts.fileKind,
                      facts.fileLocked != 0);
    if (!file.IsOpen()) return FailReleasing(runtime::kFileNotFound);

    connection.DisableNotifications();
    status.SetActivity(runtime::kActivityRunning);
    status.SetStep(VKT_STEP_SENDING);
    status.SetBytesTotal(facts.dataSize);
    status.SetBytesDone(0);

    crypto::Handle digest = 0;
    std::int32_t result =
        SendBlocks(connection, file, context, facts.sessionKey, facts.dataSize, &digest);
    DropFile(file);
    connection.SetAwaiting(runtime::Awaiting::kNothing);
    if (result == runtime::kStatusOk) result = SendSignature(connection, context, digest);
    if (digest != 0) KeyContext::FreeDigest(digest);
    return result;
}

}  // namespace

std::int32_t HandleSendLoop(runtime::Connection& connection) {
    const runtime::IncomingMessage& incoming = connection.Incoming();
    std::int32_t result;
    if (incoming.messageType == 'O') {
        result = SendAcceptedFile(connection);
    } else {
        // Refused (the file stays kept for a second attempt) or answered out of turn.
        connection.SetAwaiting(runtime::Awaiting::kNothing);
        result = incoming.messageType == '9'
                     ? FailWithSealedReport(incoming.Bytes(), incoming.length)
                     : FailReleasing(runtime::kBadMessageType);
    }
    // The password was kept only for the signature.
    connection.SetKeyPassword("");
    EnableNotificationsLocked();
    return result;
}

std::int32_t HandleEndOfSend(runtime::Connection& connection) {
    const runtime::IncomingMessage& incoming = connection.Incoming();
    connection.SetAwaiting(runtime::Awaiting::kNothing);
    if (incoming.messageType == 'O') {
        runtime::StatusBlock& status = *runtime::Process().status;
        status.SetBytesDone(0);
        status.SetBytesTotal(0);
        status.SetActivity(runtime::kActivityIdle);
        return runtime::kStatusOk;
    }
    if (incoming.messageType == '9') return FailWithSealedReport(incoming.Bytes(), incoming.length);
    return FailReleasing(runtime::kBadMessageType);
}

}  // namespace vkt::protocol
