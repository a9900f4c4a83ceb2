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
    const int status = ::fcntl(opened, F_GETFL);
    if (status < 0 || ::fcntl(opened, F_SETFL, status & ~O_NONBLOCK) != 0) {
        return CloseAndReturn(opened, errno);
    }
    *fd = opened;
    return 0;
}

}  // namespace vkt::runtime
