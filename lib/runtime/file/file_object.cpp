// The file object: one regular file held open exclusively and, while Lock() holds, under a
// record lock over the whole file (platform/files.h).
#include "runtime/file/file_object.h"

#include <cstring>

#include "platform/files.h"

namespace vkt::runtime {

namespace {

platform::Access PlatformAccess(FileAccess access) {
    switch (access) {
        case kAccessWrite:
            return platform::Access::kWrite;
        case kAccessReadWrite:
            return platform::Access::kReadWrite;
        default:
            return platform::Access::kRead;
    }
}

bool IsFileAccess(FileAccess access) {
    return access == kAccessRead || access == kAccessWrite || access == kAccessReadWrite;
}

}  // namespace

FileAccess AccessOfFile(int fd) {
    switch (platform::AccessOf(fd)) {
        case platform::Access::kWrite:
            return kAccessWrite;
        case platform::Access::kReadWrite:
            return kAccessReadWrite;
        default:
            return kAccessRead;
    }
}

FileObject::FileObject(const char* name) {
    const std::size_t length = name == nullptr ? 0 : ::strnlen(name, sizeof name_);
    nameTooLong_ = length == sizeof name_;
    if (!nameTooLong_ && length > 0) std::memcpy(name_, name, length);
}

FileObject::FileObject(int fd, const char* name, FileAccess access, bool locked)
    : FileObject(name) {
    fd_ = fd;
    access_ = access;
    locked_ = locked ? 1 : 0;
    std::uint64_t size = 0;
    if (fd_ != kInvalidFd && platform::SizeOf(fd_, &size) == 0) {
        lockLength_ = static_cast<std::uint32_t>(size);
    }
}

FileObject::~FileObject() {
    Close();
}

std::uint32_t FileObject::Open() {
    if (fd_ != kInvalidFd) return 1;
    if (nameTooLong_) return static_cast<std::uint32_t>(platform::kErrorNameTooLong);
    if (!IsFileAccess(access_)) return static_cast<std::uint32_t>(platform::kErrorInvalid);
    int fd = kInvalidFd;
    const int error = platform::OpenExclusive(name_, PlatformAccess(access_),
                                              platform::Disposition::kOpenExisting, &fd);
    if (error != 0) return static_cast<std::uint32_t>(error);
    fd_ = fd;
    return 0;
}

// Closing the descriptor also drops the flock and any record lock; the record lock is released
// explicitly first so that Locked() and the lock agree even if close() reports an error.
std::uint32_t FileObject::Close() {
    if (fd_ == kInvalidFd) return 1;
    if (keepOpen_ != 0) return 0;
    if (locked_ != 0) platform::UnlockWhole(fd_);
    platform::CloseFile(fd_);
    fd_ = kInvalidFd;
    locked_ = 0;
    return 0;
}

// Short reads are repeated until count bytes or the end of the file.
std::uint32_t FileObject::ReadAt(void* buffer, std::uint32_t offset, std::uint32_t count,
                                 std::uint32_t* bytesRead) {
    if (fd_ == kInvalidFd) return 1;
    if (buffer == nullptr) return static_cast<std::uint32_t>(platform::kErrorInvalid);
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::uint32_t done = 0;
    if (const int error = platform::ReadAt(fd_, bytes, count, offset, &done); error != 0) {
        return static_cast<std::uint32_t>(error);
    }
    bytes[done] = 0;
    if (bytesRead != nullptr) *bytesRead = done;
    return 0;
}

std::uint32_t FileObject::Lock() {
    if (locked_ != 0 || fd_ == kInvalidFd) return 1;
    std::uint64_t size = 0;
    if (const int error = platform::SizeOf(fd_, &size); error != 0) {
        return static_cast<std::uint32_t>(error);
    }
    const int error = platform::LockWhole(fd_, access_ == kAccessRead);
    if (error != 0) return static_cast<std::uint32_t>(error);
    lockOffset_ = 0;
    lockLength_ = static_cast<std::uint32_t>(size);
    locked_ = 1;
    return 0;
}

std::uint32_t FileObject::Unlock() {
    if (locked_ == 0 || fd_ == kInvalidFd) return 1;
    const int error = platform::UnlockWhole(fd_);
    if (error != 0) return static_cast<std::uint32_t>(error);
    locked_ = 0;
    return 0;
}

std::uint32_t FileObject::SetKeepOpen(bool keep) {
    if (fd_ == kInvalidFd) return 1;
    keepOpen_ = keep ? 1 : 0;
    return 0;
}

// The descriptor is this file's when it is valid and has the identity of name_. A closed descriptor
// is forgotten; a reused one is forgotten too but not closed.
bool FileObject::IsOpen() {
    if (fd_ == kInvalidFd) return false;
    platform::FileIdentity held;
    platform::FileIdentity named;
    const bool same = platform::IdentityOf(fd_, &held) == 0 &&
                      platform::IdentityOfName(name_, &named) == 0 && held == named;
    if (!same) {
        fd_ = kInvalidFd;
        locked_ = 0;
        keepOpen_ = 0;
    }
    return same;
}

}  // namespace vkt::runtime
