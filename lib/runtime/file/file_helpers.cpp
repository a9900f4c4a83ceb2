// File helpers for the transfer steps: status codes 40050 (cannot open) and 40051 (cannot
// create, write or delete).
#include "platform/files.h"
#include "runtime/file/file_object.h"
#include "runtime/status/status_code.h"

namespace vkt::runtime {

namespace {

bool ToPlatform(FileAccess access, platform::Access* out) {
    switch (access) {
        case kAccessRead:
            *out = platform::Access::kRead;
            return true;
        case kAccessWrite:
            *out = platform::Access::kWrite;
            return true;
        case kAccessReadWrite:
            *out = platform::Access::kReadWrite;
            return true;
    }
    return false;
}

bool ToPlatform(FileDisposition disposition, platform::Disposition* out) {
    switch (disposition) {
        case kCreateAlways:
        case kOpenAlways:
            *out = platform::Disposition::kOpenAlways;
            return true;
        case kOpenExisting:
            *out = platform::Disposition::kOpenExisting;
            return true;
        case kCreateNew:
            *out = platform::Disposition::kCreateNew;
            return true;
    }
    return false;
}

}  // namespace

// kCreateAlways truncates once the file is held (never at open: a file that another process
// holds keeps its content), so write access is needed for it.
std::int32_t OpenFileFor(const char* name, FileAccess access, FileDisposition disposition,
                         int* fd) {
    if (fd == nullptr) return kFileNotFound;
    *fd = kInvalidFd;
    platform::Access how{};
    platform::Disposition when{};
    if (!ToPlatform(access, &how) || !ToPlatform(disposition, &when)) return kFileNotFound;
    int opened = kInvalidFd;
    if (platform::OpenExclusive(name, how, when, &opened) != 0) return kFileNotFound;
    if (disposition == kCreateAlways && platform::Truncate(opened) != 0) {
        platform::CloseFile(opened);
        return kFileNotFound;
    }
    *fd = opened;
    return kStatusOk;
}

// On Linux a holder of the file keeps its descriptor and data until it closes.
std::int32_t RemoveFile(const char* name) {
    if (name == nullptr || platform::Remove(name) != 0) return kFileIoError;
    return kStatusOk;
}

// Writes all length bytes at the end of the file, repeating short writes.
std::int32_t AppendToFile(int fd, const void* data, std::uint32_t length) {
    if (fd < 0 || (data == nullptr && length > 0)) return kFileIoError;
    if (platform::Append(fd, data, length) != 0) return kFileIoError;
    return kStatusOk;
}

}  // namespace vkt::runtime
