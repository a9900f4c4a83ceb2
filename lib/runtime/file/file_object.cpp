// The file object: one regular file held open exclusively (flock) and, while Lock() holds,
// under an open-file-description record lock over the whole file.
#include "runtime/file/file_object.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "runtime/file/exclusive_open.h"

namespace vkt::runtime {

namespace {

// Sets (F_RDLCK / F_WRLCK) or releases (F_UNLCK) the record lock over the whole file, growth
// included (l_len 0), without waiting. Open-file-description locks belong to the descriptor's
// open file, not to the process, so they travel with a handed-over descriptor and are not
// dropped when an unrelated descriptor of the same file is closed.
int SetRecordLock(int fd, short type) {
    struct flock region {};
    region.l_type = type;
    region.l_whence = SEEK_SET;
    region.l_start = 0;
    region.l_len = 0;
    while (::fcntl(fd, F_OFD_SETLK, &region) != 0) {
        if (errno != EINTR) return errno;
    }
    return 0;
}

}  // namespace

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
    struct stat info {};
    if (fd_ != kInvalidFd && ::fstat(fd_, &info) == 0) {
        lockLength_ = static_cast<std::uint32_t>(info.st_size);
    }
}

FileObject::~FileObject() {
    Close();
}

std::uint32_t FileObject::Open() {
    if (fd_ != kInvalidFd) return 1;
    if (nameTooLong_) return ENAMETOOLONG;
    const int flags = OpenFlagsFor(access_);
    if (flags < 0) return EINVAL;
    int fd = kInvalidFd;
    const int error = OpenExclusive(name_, flags, 0, &fd);
    if (error != 0) return static_cast<std::uint32_t>(error);
    fd_ = fd;
    return 0;
}

// Closing the descriptor also drops the flock and any record lock; the record lock is released
// explicitly first so that Locked() and the lock agree even if close() reports an error.
std::uint32_t FileObject::Close() {
    if (fd_ == kInvalidFd) return 1;
    if (keepOpen_ != 0) return 0;
    if (locked_ != 0) SetRecordLock(fd_, F_UNLCK);
    ::close(fd_);
    fd_ = kInvalidFd;
    locked_ = 0;
    return 0;
}

// pread does not move the descriptor's offset; short reads are repeated until count bytes or
// the end of the file.
std::uint32_t FileObject::ReadAt(void* buffer, std::uint32_t offset, std::uint32_t count,
                                 std::uint32_t* bytesRead) {
    if (fd_ == kInvalidFd) return 1;
    if (buffer == nullptr) return EINVAL;
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd_, bytes + done, count - done, off_t{offset} + done);
        if (got < 0) {
            if (errno == EINTR) continue;
            return static_cast<std::uint32_t>(errno);
        }
        if (got == 0) break;
        done += static_cast<std::uint32_t>(got);
    }
    bytes[done] = 0;
    if (bytesRead != nullptr) *bytesRead = done;
    return 0;
}

std::uint32_t FileObject::Lock() {
    if (locked_ != 0 || fd_ == kInvalidFd) return 1;
    struct stat info {};
    if (::fstat(fd_, &info) != 0) return static_cast<std::uint32_t>(errno);
    const int error = SetRecordLock(fd_, access_ == kAccessRead ? F_RDLCK : F_WRLCK);
    if (error != 0) return static_cast<std::uint32_t>(error);
    lockOffset_ = 0;
    lockLength_ = static_cast<std::uint32_t>(info.st_size);
    locked_ = 1;
    return 0;
}

std::uint32_t FileObject::Unlock() {
    if (locked_ == 0 || fd_ == kInvalidFd) return 1;
    const int error = SetRecordLock(fd_, F_UNLCK);
    if (error != 0) return static_cast<std::uint32_t>(error);
    locked_ = 0;
    return 0;
}

std::uint32_t FileObject::SetKeepOpen(bool keep) {
    if (fd_ == kInvalidFd) return 1;
    keepOpen_ = keep ? 1 : 0;
    return 0;
}

// The descriptor is this file's when it is valid and names the same device and inode as
// name_. A closed descriptor is forgotten; a reused one is forgotten too but not closed.
bool FileObject::IsOpen() {
    if (fd_ == kInvalidFd) return false;
    struct stat held {};
    struct stat named {};
    const bool same = ::fstat(fd_, &held) == 0 && ::stat(name_, &named) == 0 &&
                      held.st_dev == named.st_dev && held.st_ino == named.st_ino;
    if (!same) {
        fd_ = kInvalidFd;
        locked_ = 0;
        keepOpen_ = 0;
    }
    return same;
}

}  // namespace vkt::runtime
