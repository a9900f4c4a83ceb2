// Files on Linux: open() with an exclusive flock() taken without waiting, open-file-description
// record locks, pread/write, device and inode as identity, rename(2) over a held file.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vkt::platform {

const int kErrorNotFound = ENOENT;
const int kErrorHeld = EWOULDBLOCK;
const int kErrorIsDirectory = EISDIR;
const int kErrorNotRegular = EINVAL;
const int kErrorNameTooLong = ENAMETOOLONG;
const int kErrorInvalid = EINVAL;

namespace {

// New files get 0666 less the process's umask, like any file a user's program creates.
constexpr mode_t kNewFileMode = 0666;

// Closes fd keeping the error that made the caller give up.
int CloseAndReturn(int fd, int error) {
    ::close(fd);
    return error;
}

int AccessFlags(Access access) {
    switch (access) {
        case Access::kRead:
            return O_RDONLY;
        case Access::kWrite:
            return O_WRONLY;
        case Access::kReadWrite:
            return O_RDWR;
    }
    return -1;
}

int DispositionFlags(Disposition disposition) {
    switch (disposition) {
        case Disposition::kOpenExisting:
            return 0;
        case Disposition::kOpenAlways:
            return O_CREAT;
        case Disposition::kCreateNew:
            return O_CREAT | O_EXCL;
    }
    return -1;
}

// 0 when no other open file holds a record lock over the file that conflicts with the access
// of flags (a read-only open conflicts with write locks, any other with every lock), else
// EWOULDBLOCK. F_OFD_GETLK sees POSIX (fcntl, lockf) and open-file-description locks alike.
int NoConflictingRecordLock(int fd, int flags) {
    struct flock region {};
    region.l_type = (flags & O_ACCMODE) == O_RDONLY ? F_RDLCK : F_WRLCK;
    region.l_whence = SEEK_SET;
    region.l_start = 0;
    region.l_len = 0;
    if (::fcntl(fd, F_OFD_GETLK, &region) != 0) return errno;
    return region.l_type == F_UNLCK ? 0 : EWOULDBLOCK;
}

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

// O_NONBLOCK keeps open() from waiting for a FIFO's other end; it is cleared again once the
// file is known to be regular.
int OpenExclusive(const char* name, Access access, Disposition disposition, FileHandle* file) {
    const int accessFlags = AccessFlags(access);
    const int dispositionFlags = DispositionFlags(disposition);
    if (name == nullptr || file == nullptr || accessFlags < 0 || dispositionFlags < 0) {
        return EINVAL;
    }
    const int flags = accessFlags | dispositionFlags;
    int opened;
    do {
        opened = ::open(name, flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, kNewFileMode);
    } while (opened < 0 && errno == EINTR);
    if (opened < 0) return errno;

    struct stat info {};
    if (::fstat(opened, &info) != 0) return CloseAndReturn(opened, errno);
    if (S_ISDIR(info.st_mode)) return CloseAndReturn(opened, EISDIR);
    if (!S_ISREG(info.st_mode)) return CloseAndReturn(opened, EINVAL);
    if (::flock(opened, LOCK_EX | LOCK_NB) != 0) return CloseAndReturn(opened, errno);
    if (const int locked = NoConflictingRecordLock(opened, flags); locked != 0) {
        return CloseAndReturn(opened, locked);
    }
    const int status = ::fcntl(opened, F_GETFL);
    if (status < 0 || ::fcntl(opened, F_SETFL, status & ~O_NONBLOCK) != 0) {
        return CloseAndReturn(opened, errno);
    }
    *file = opened;
    return 0;
}

int CloseFile(FileHandle file) {
    return ::close(file) == 0 ? 0 : errno;
}

int LockWhole(FileHandle file, bool shared) {
    return SetRecordLock(file, shared ? F_RDLCK : F_WRLCK);
}

int UnlockWhole(FileHandle file) {
    return SetRecordLock(file, F_UNLCK);
}

int ReadAt(FileHandle file, void* buffer, std::uint32_t count, std::uint64_t offset,
           std::uint32_t* got) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t n =
            ::pread(file, bytes + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) break;
        done += static_cast<std::uint32_t>(n);
    }
    *got = done;
    return 0;
}

int ReadNext(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* got) {
    for (;;) {
        const ssize_t n = ::read(file, buffer, count);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        *got = static_cast<std::uint32_t>(n);
        return 0;
    }
}

int Append(FileHandle file, const void* data, std::uint32_t length) {
    if (::lseek(file, 0, SEEK_END) < 0) return errno;
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::uint32_t done = 0;
    while (done < length) {
        const ssize_t wrote = ::write(file, bytes + done, length - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0) return errno;
        if (wrote == 0) return EIO;
        done += static_cast<std::uint32_t>(wrote);
    }
    return 0;
}

int Truncate(FileHandle file) {
    return ::ftruncate(file, 0) == 0 ? 0 : errno;
}

int SizeOf(FileHandle file, std::uint64_t* size) {
    struct stat info {};
    if (::fstat(file, &info) != 0) return errno;
    *size = info.st_size < 0 ? 0 : static_cast<std::uint64_t>(info.st_size);
    return 0;
}

Access AccessOf(FileHandle file) {
    const int flags = file == kInvalidFile ? -1 : ::fcntl(file, F_GETFL);
    if (flags < 0) return Access::kRead;
    switch (flags & O_ACCMODE) {
        case O_WRONLY:
            return Access::kWrite;
        case O_RDWR:
            return Access::kReadWrite;
        default:
            return Access::kRead;
    }
}

int IdentityOf(FileHandle file, FileIdentity* identity) {
    struct stat info {};
    if (::fstat(file, &info) != 0) return errno;
    *identity = FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                             static_cast<std::uint64_t>(info.st_ino)};
    return 0;
}

int IdentityOfName(const char* name, FileIdentity* identity) {
    struct stat info {};
    if (::stat(name, &info) != 0) return errno;
    *identity = FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                             static_cast<std::uint64_t>(info.st_ino)};
    return 0;
}

int CopyMode(FileHandle from, FileHandle to) {
    struct stat older {};
    if (::fstat(from, &older) != 0 || ::fchmod(to, older.st_mode & 07777) != 0) return errno;
    return 0;
}

int Flush(FileHandle file) {
    return ::fsync(file) == 0 ? 0 : errno;
}

// The older file stays held while its name passes to the new one.
int RenameOverHeld(const char* from, const char* to, FileHandle* held) {
    const int error = ::rename(from, to) == 0 ? 0 : errno;
    if (*held != kInvalidFile) ::close(*held);
    *held = kInvalidFile;
    return error;
}

int Remove(const char* name) {
    if (name == nullptr) return EINVAL;
    return ::unlink(name) == 0 ? 0 : errno;
}

void FlushFolderOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr) return;
    char folder[PATH_MAX];
    const auto length = static_cast<std::size_t>(slash - path);
    if (length == 0 || length >= sizeof folder) return;
    std::memcpy(folder, path, length);
    folder[length] = '\0';
    const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Entries are checked and removed relative to the open folder, so a folder renamed or replaced
// by a link meanwhile never makes it remove anything elsewhere.
void RemoveMatchingFiles(const char* folder, bool (*visit)(const char* name, void* context),
                         void* context) {
    const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    DIR* listing = ::fdopendir(fd);
    if (listing == nullptr) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(listing)) {
        if (!visit(entry->d_name, context)) continue;
        struct stat info {};
        if (::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode)) {
            ::unlinkat(fd, entry->d_name, 0);
        }
    }
    ::closedir(listing);  // closes fd too
}

bool IsSeparator(char c) {
    return c == '/';
}

}  // namespace vkt::platform
