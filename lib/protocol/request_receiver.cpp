// The event thread's part of a request: each file block appended to the part file, then the
// server's digest checked against the whole of it, and the part file renamed to the requested
// name.
//
// The part file is reopened for every block (write access, existing file only, no sharing) so
// that a block is the first exactly when the file is still empty. Every failure that ends the
// transfer deletes the part file; a failure that keeps the session open also returns the
// connection to awaiting nothing, so later frames of the abandoned transfer are ignored.
#include <climits>
#include <cstring>

#include "platform/files.h"
#include "protocol/key_context.h"
#include "protocol/operation_support.h"
#include "protocol/request.h"
#include "protocol/request_part_file.h"
#include "runtime/file/file_object.h"
#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {
namespace {

constexpr std::uint32_t kPrefixSize = 10;

// The destination path from the slot; false when this process holds no session.
bool SlotDestination(char* out, std::size_t capacity) {
    SlotFacts facts;
    return ReadSlotFacts(&facts) &&
           DestinationPath(facts.destinationDirectory, facts.currentFileName, out, capacity);
}

// The first 10 plaintext characters as a decimal number, stopping at the first non-digit.
std::uint64_t AnnouncedSize(const std::uint8_t* text) {
    std::uint64_t value = 0;
    for (std::uint32_t i = 0; i < kPrefixSize && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Closes fd and deletes the part file.
void Discard(int fd, const char* path) {
    if (fd >= 0) platform::CloseFile(fd);
    runtime::RemoveFile(path);
}

// A failure that ends the transfer and the session.
std::int32_t FailReleasingDeleting(std::int32_t code, int fd, const char* path) {
    Discard(fd, path);
    return FailReleasing(code);
}

// A failure that ends the transfer but keeps the session.
std::int32_t FailDeleting(runtime::Connection& connection, std::int32_t code, int fd,
                          const char* path) {
    Discard(fd, path);
    connection.SetAwaiting(runtime::Awaiting::kNothing);
    return Fail(code);
}

// Appends the block in plaintext to the open file of currentSize bytes.
std::int32_t AppendBlock(runtime::Connection& connection, const std::uint8_t* plain,
                         std::uint32_t length, std::uint64_t currentSize, int fd,
                         const char* path) {
    runtime::StatusBlock& status = *runtime::Process().status;
    status.SetStep(VKT_STEP_RECEIVING);
    std::uint32_t skip = 0;
    std::uint64_t total = 0;
    if (currentSize == 0) {
        // The first block announces the total; one without its 10 digits is no file block.
        if (length < kPrefixSize) return FailReleasingDeleting(runtime::kBadLength, fd, path);
        total = AnnouncedSize(plain);
        if (total > UINT32_MAX) return FailReleasingDeleting(runtime::kBadLength, fd, path);
        ChangeSlot([total](runtime::SessionSlot& slot) {
            slot.dataSize = static_cast<std::uint32_t>(total);
        });
        status.SetBytesTotal(static_cast<std::uint32_t>(total));
        skip = kPrefixSize;
    } else {
        SlotFacts facts;
        if (!ReadSlotFacts(&facts)) return FailReleasingDeleting(runtime::kNoSession, fd, path);
        total = facts.dataSize;
    }
    const std::uint64_t done = currentSize + (length - skip);
    status.SetBytesDone(static_cast<std::uint32_t>(done));
    status.SetBytesTotal(static_cast<std::uint32_t>(total));
    if (runtime::AppendToFile(fd, plain + skip, length - skip) != runtime::kStatusOk) {
        return FailReleasingDeleting(runtime::kFileIoError, fd, path);
    }
    if (done >= total) {
        connection.SetAwaiting(runtime::Awaiting::kFileDigest);
        status.SetStep(VKT_STEP_CHECKING_FILE);
    }
    platform::CloseFile(fd);
    return runtime::kStatusOk;
}

}  // namespace

std::int32_t HandleFileBlock(runtime::Connection& connection) {
    char path[PATH_MAX];
    if (!SlotPartFile(path, sizeof path)) return Fail(runtime::kNoSession);
    const runtime::IncomingMessage& incoming = connection.Incoming();
    const char type = incoming.messageType;
    if (type != 'T' && type != '9') {
        return FailReleasingDeleting(runtime::kBadMessageType, -1, path);
    }

    int fd = -1;
    if (runtime::OpenFileFor(path, runtime::kAccessWrite, runtime::kOpenExisting, &fd) !=
        runtime::kStatusOk) {
        return FailReleasing(runtime::kFileNotFound);
    }
    std::uint64_t size = 0;
    if (platform::SizeOf(fd, &size) != 0) {
        return FailReleasingDeleting(runtime::kFileIoError, fd, path);
    }

    KeyContext context;
    std::int32_t result = context.Unseal(SessionKey(), incoming.Bytes(), incoming.length);
    if (result != runtime::kStatusOk) return FailDeleting(connection, result, fd, path);

    if (type == '9') {
        Discard(fd, path);
        connection.SetAwaiting(runtime::Awaiting::kNothing);
        return FailWithServerText(context.WorkBuffer(), context.WorkLength());
    }
    return AppendBlock(connection, context.WorkBuffer(), context.WorkLength(), size, fd, path);
}

std::int32_t HandleFileDigest(runtime::Connection& connection) {
    char path[PATH_MAX];
    char destination[512];
    if (!SlotPartFile(path, sizeof path) || !SlotDestination(destination, sizeof destination)) {
        return Fail(runtime::kNoSession);
    }
    const runtime::IncomingMessage& incoming = connection.Incoming();
    const char type = incoming.messageType;
    if (type != 'H' && type != '9') {
        return FailReleasingDeleting(runtime::kBadMessageType, -1, path);
    }
    runtime::StatusBlock& status = *runtime::Process().status;
    status.SetStep(VKT_STEP_CHECKING_FILE);
    status.SetBytesDone(0);

    KeyContext context;
    std::int32_t result = context.Unseal(SessionKey(), incoming.Bytes(), incoming.length);
    if (result != runtime::kStatusOk) return FailDeleting(connection, result, -1, path);
    connection.SetAwaiting(runtime::Awaiting::kNothing);
    if (type == '9') {
        runtime::RemoveFile(path);
        return FailWithServerText(context.WorkBuffer(), context.WorkLength());
    }

    // The digest text is at most what arrived; a copy with its NUL is what the check reads.
    char expected[72] = {};
    if (context.WorkLength() >= sizeof expected) {
        runtime::RemoveFile(path);
        return Fail(runtime::kNotADigest);
    }
    std::memcpy(expected, context.WorkBuffer(), context.WorkLength());
    result = context.CheckFileDigest(path, expected);
    if (result != runtime::kStatusOk) {
        runtime::RemoveFile(path);
        return Fail(result);
    }
    // Only now does the requested name change: to the whole, checked file.
    result = CommitPartFile(path, destination);
    return result == runtime::kStatusOk ? result : Fail(result);
}

}  // namespace vkt::protocol
