// The advisory locks another program may hold on a file: the library must respect each kind.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>

namespace vkt::testing {

enum class LockKind {
    kFlock,          // flock(LOCK_EX)
    kLockf,          // lockf(F_TLOCK): a POSIX record write lock of the process
    kPosixRead,      // fcntl(F_SETLK, F_RDLCK): a POSIX record read lock of the process
    kOpenFileWrite,  // fcntl(F_OFD_SETLK, F_WRLCK): a write lock of the open file
};

struct NamedLockKind {
    const char* name;
    LockKind kind;
};

inline constexpr NamedLockKind kLockKinds[] = {
    {"flock", LockKind::kFlock},
    {"lockf", LockKind::kLockf},
    {"fcntl-read", LockKind::kPosixRead},
    {"ofd", LockKind::kOpenFileWrite},
};

// False for a name that is none of kLockKinds.
inline bool LockKindNamed(const std::string& name, LockKind* kind) {
    for (const NamedLockKind& known : kLockKinds) {
        if (name == known.name) {
            *kind = known.kind;
            return true;
        }
    }
    return false;
}

// Opens path read-write and locks the whole file without waiting; 0 with the descriptor left
// open (the lock lives as long as it), else -1. Only system calls: safe in a forked child.
inline int OpenAndLock(const char* path, LockKind kind) {
    const int fd = ::open(path, O_RDWR);
    if (fd < 0) return -1;
    struct flock region {};
    region.l_whence = SEEK_SET;
    int locked = -1;
    switch (kind) {
        case LockKind::kFlock:
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
            break;
        case LockKind::kLockf:
            locked = ::lockf(fd, F_TLOCK, 0);
            break;
        case LockKind::kPosixRead:
            region.l_type = F_RDLCK;
            locked = ::fcntl(fd, F_SETLK, &region);
            break;
        case LockKind::kOpenFileWrite:
            region.l_type = F_WRLCK;
            locked = ::fcntl(fd, F_OFD_SETLK, &region);
            break;
    }
    if (locked != 0) {
        ::close(fd);
        return -1;
    }
    return 0;
}

}  // namespace vkt::testing
