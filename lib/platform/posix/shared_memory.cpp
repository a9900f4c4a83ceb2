// Create-or-join of a named POSIX shared-memory object. O_EXCL decides who creates; the creator
// sizes the object right after creating it, so a joiner that arrives in between sees size 0 and
// waits (bounded) for the size rather than mapping an empty object (any access would fault).
#include "platform/shared_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace vkt::platform {
namespace {

constexpr mode_t kObjectMode = 0600;
// A joiner that finds the name gone again (its creator failed and removed it) retries this
// many times before giving up.
constexpr int kOpenAttempts = 3;

void* MapAndClose(int fd, std::size_t size) {
    void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return view == MAP_FAILED ? nullptr : view;
}

void* CreateObject(const char* name, int fd, std::size_t size) {
    // fchmod: shm_open applies the umask, which could leave the owner without access.
    if (fchmod(fd, kObjectMode) != 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
        close(fd);
        shm_unlink(name);
        return nullptr;
    }
    void* view = MapAndClose(fd, size);
    if (view == nullptr) shm_unlink(name);
    return view;
}

void* JoinObject(int fd, std::size_t size) {
    struct stat info {};
    for (int waited = 0;; ++waited) {
        if (fstat(fd, &info) != 0) break;
        // Someone else's object under our name, or one others may read or write: refuse it.
        if (info.st_uid != geteuid() || (info.st_mode & 077) != 0) break;
        if (info.st_size != 0 || waited >= kJoinWaitMs) {
            if (static_cast<std::size_t>(info.st_size) != size) break;
            return MapAndClose(fd, size);
        }
        SleepOneMillisecond();
    }
    close(fd);
    return nullptr;
}

// "/<prefix><kind>.<euid>"; false when it does not fit or the prefix holds a '/'.
bool SharedObjectName(const char* kind, char* out, std::size_t size) {
    const char* prefix = std::getenv("VKT_SHM_PREFIX");
    if (prefix == nullptr) prefix = "VKT";
    if (std::strchr(prefix, '/') != nullptr) return false;
    int length =
        std::snprintf(out, size, "/%s%s.%u", prefix, kind, static_cast<unsigned>(geteuid()));
    return length > 0 && static_cast<std::size_t>(length) < size;
}

// Maps the whole object read/write, creating it when absent (*created true) or joining it.
// The descriptor is closed before returning (the mapping stays). Null on failure; an object
// this call created is then removed.
void* MapSharedObject(const char* name, std::size_t size, bool* created) {
    *created = false;
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        int fd = shm_open(name, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, kObjectMode);
        if (fd >= 0) {
            void* view = CreateObject(name, fd, size);
            *created = view != nullptr;
            return view;
        }
        if (errno != EEXIST) return nullptr;
        fd = shm_open(name, O_RDWR | O_CLOEXEC, 0);
        if (fd >= 0) return JoinObject(fd, size);
        if (errno != ENOENT) return nullptr;
    }
    return nullptr;
}

}  // namespace

void SleepOneMillisecond() {
    timespec step{0, 1000000};
    nanosleep(&step, nullptr);
}

SharedMemory::~SharedMemory() {
    Close();
}

bool SharedMemory::Open(const char* kind, std::size_t size) {
    Close();
    if (!SharedObjectName(kind, name_, sizeof name_)) return false;
    bool created = false;
    view_ = MapSharedObject(name_, size, &created);
    if (view_ == nullptr) return false;
    size_ = size;
    created_ = created;
    return true;
}

void SharedMemory::Close() {
    if (view_ != nullptr) munmap(view_, size_);
    view_ = nullptr;
    size_ = 0;
}

void SharedMemory::RemoveName() {
    if (created_) shm_unlink(name_);
    created_ = false;
}

}  // namespace vkt::platform
