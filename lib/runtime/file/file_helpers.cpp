// File helpers for the transfer steps: status codes 40050 (cannot open) and 40051 (cannot
// create, write or delete).
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "runtime/file/exclusive_open.h"
#include "runtime/file/file_object.h"
#include "runtime/status/status_code.h"

namespace vkt::runtime {

namespace {

// New files get 0666 less the process's umask, like any file a user's program creates.
constexpr mode_t kNewFileMode = 0666;

int DispositionFlags(FileDisposition disposition) {
    switch (disposition) {
        case kCreateAlways:
        case kOpenAlways:
            return O_CREAT;
        case kOpenExisting:
            return 0;
        case kCreateNew:
            return O_CREAT | O_EXCL;
    }
    return -1;
}

}  // namespace

// kCreateAlways truncates once the lock is held (never O_TRUNC: a file that another process
// holds keeps its content), so write access is needed for it.
std::int32_t OpenFileFor(const char* name, FileAccess access, FileDisposition disposition,
                         int* fd) {
    if (fd == nullptr) return kFileNotFound;
    *fd = kInvalidFd;
    const int accessFlags = OpenFlagsFor(access);
    const int dispositionFlags = DispositionFlags(disposition);
    if (accessFlags < 0 || dispositionFlags < 0) return kFileNotFound;
    int opened = kInvalidFd;
    if (OpenExclusive(name, accessFlags | dispositionFlags, kNewFileMode, &opened) != 0) {
        return kFileNotFound;
    }
    if (disposition == kCreateAlways && ::ftruncate(opened, 0) != 0) {
        ::close(opened);
        return kFileNotFound;
    }
    *fd = opened;
    return kStatusOk;
}

// unlink: a holder of the file keeps its descriptor and data until it closes.
std::int32_t RemoveFile(const char* name) {
    if (name == nullptr || ::unlink(name) != 0) return kFileIoError;
    return kStatusOk;
}

// Writes all length bytes at the end of the file, repeating short writes.
std::int32_t AppendToFile(int fd, const void* data, std::uint32_t length) {
    if (fd < 0 || (data == nullptr && length > 0)) return kFileIoError;
    if (::lseek(fd, 0, SEEK_END) < 0) return kFileIoError;
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::uint32_t done = 0;
    while (done < length) {
        const ssize_t wrote = ::write(fd, bytes + done, length - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return kFileIoError;
        done += static_cast<std::uint32_t>(wrote);
    }
    return kStatusOk;
}

}  // namespace vkt::runtime
