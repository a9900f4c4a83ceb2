// VKTSolicitar: the part file created empty and the sealed file request sent. The blocks and
// the digest are handled on the event thread (request_receiver.cpp).
#include "protocol/request.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/files.h"
#include "platform/process_identity.h"
#include "protocol/connect.h"
#include "protocol/key_context.h"
#include "protocol/operation_support.h"
#include "protocol/request_part_file.h"
#include "protocol/transfer_file.h"
#include "runtime/file/file_object.h"
#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {
namespace {

// Name and directory together; with the "/" between them and the NUL the destination path
// fits the 254 bytes a file name may have.
constexpr std::size_t kMaxNameAndDirectory = 252;

}  // namespace

bool DestinationPath(const char* directory, const char* name, char* out, std::size_t capacity) {
    const int written = std::snprintf(out, capacity, "%s/%s", directory, name);
    return written > 0 && static_cast<std::size_t>(written) < capacity;
}

std::int32_t RequestFile(std::int32_t session, const char* password, const char* name,
                         const char* directory) {
    std::int32_t result = BeginOperationReset(session, "VKTSolicitar", VKT_STEP_SENDING);
    if (result != runtime::kStatusOk) return result;
    runtime::ProcessState& process = runtime::Process();
    if (!HasSessionKey()) return Fail(runtime::kNoSession);

    if (!TextFits(password) || !TextFits(name) || directory == nullptr ||
        std::strlen(name) + ::strnlen(directory, kMaxNameAndDirectory + 1) > kMaxNameAndDirectory) {
        return Fail(runtime::kInvalidParameter);
    }
    // The local file is the name inside the destination folder, never anywhere else.
    if (!IsSingleComponentName(name)) return Fail(runtime::kInvalidParameter);
    char destination[kMaxNameAndDirectory + 2];
    char part[PATH_MAX];
    if (!DestinationPath(directory, name, destination, sizeof destination) ||
        !PartFilePath(directory, name, platform::OwnProcessId(), part, sizeof part)) {
        return Fail(runtime::kInvalidParameter);
    }

    process.status->SetFileName(name);
    KeyContext context;
    const auto nameLength = static_cast<std::uint32_t>(std::strlen(name));
    result = context.Seal(SessionKey(), reinterpret_cast<const std::uint8_t*>(name), nameLength);
    if (result != runtime::kStatusOk) return Fail(result);

    // An older file of that name stays as it is until the new one has arrived whole, but one
    // that another process holds now is refused now.
    if (CheckReplaceable(destination) != runtime::kStatusOk) return Fail(runtime::kFileIoError);
    RemoveStalePartFiles(directory);
    // No request of this process runs now: a part file of this pid is left over (by an ended
    // process that had the same pid).
    platform::Remove(part);
    int created = runtime::kInvalidFd;
    if (runtime::OpenFileFor(part, runtime::kAccessWrite, runtime::kCreateNew, &created) !=
        runtime::kStatusOk) {
        return Fail(runtime::kFileIoError);
    }
    platform::CloseFile(created);

    runtime::Connection& connection = *process.connection;
    std::unique_lock<std::recursive_mutex> sending(connection.SendLock());
    result = SendMessage(connection, "2", "P", context.WorkBuffer(), context.WorkLength());
    if (result != runtime::kStatusOk) {
        sending.unlock();
        runtime::RemoveFile(part);
        return FailReleasing(result);
    }
    process.status->SetBytesDone(nameLength);
    process.status->SetStep(VKT_STEP_SERVER_PROCESSING);
    // The handlers rebuild the part file's and the destination's paths from the slot. A file still
    // kept from a refused send is closed first: its name is about to be replaced.
    ChangeSlot([name, directory](runtime::SessionSlot& slot) {
        TransferFile::CloseKept(slot);
        std::memset(slot.currentFileName, 0, sizeof slot.currentFileName);
        std::memcpy(slot.currentFileName, name, std::strlen(name));
        std::memset(slot.destinationDirectory, 0, sizeof slot.destinationDirectory);
        std::memcpy(slot.destinationDirectory, directory, std::strlen(directory));
        slot.dataSize = 0;
    });
    connection.SetAwaiting(runtime::Awaiting::kFileBlock);
    connection.EnableNotifications();
    return runtime::kStatusOk;
}

}  // namespace vkt::protocol
