#include "runtime/file/exclusive_open.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vkt::runtime {

namespace {

// Closes fd keeping errno: the caller reports the error that made it give up.
int CloseAndReturn(int fd, int error) {
    ::close(fd);
    return error;
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

}  // namespace

int OpenFlagsFor(FileAccess access) {
    switch (access) {
        case kAccessRead:
            return O_RDONLY;
        case kAccessWrite:
            return O_WRONLY;
        case kAccessReadWrite:
            return O_RDWR;
    }
    return -1;
}

// O_NONBLOCK keeps open() from waiting for a FIFO's other end; it is cleared again once the
// file is known to be regular.
int OpenExclusive(const char* name, int flags, mode_t mode, int* fd) {
    if (name == nullptr || fd == nullptr) return EINVAL;
    int opened;
    do {
        opened = ::open(name, flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, mode);
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
    *fd = opened;
    return 0;
}

}  // namespace vkt::runtime
