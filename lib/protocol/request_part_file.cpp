// The part file of a request: its name, its removal on failure or when left by a process that
// has ended, and its rename to the requested name once the digest matched.
#include "protocol/request_part_file.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/process_identity.h"
#include "protocol/operation_support.h"
#include "runtime/file/file_object.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {
namespace {

constexpr char kPartSuffix[] = ".vkt-part";
constexpr std::size_t kPartSuffixLength = sizeof kPartSuffix - 1;
constexpr std::size_t kMaxComponent = 255;  // NAME_MAX of the usual Linux file systems
constexpr std::size_t kMaxPidDigits = 10;

// The pid of a part file's name ".NAME.<pid>.vkt-part"; 0 when the name is not one.
std::int32_t PartFileOwner(const char* entry) {
    const std::size_t length = std::strlen(entry);
    if (length < 1 + 1 + 1 + 1 + kPartSuffixLength || entry[0] != '.' ||
        std::strcmp(entry + length - kPartSuffixLength, kPartSuffix) != 0) {
        return 0;
    }
    const std::size_t end = length - kPartSuffixLength;
    std::size_t start = end;
    while (start > 0 && entry[start - 1] >= '0' && entry[start - 1] <= '9') --start;
    // At least one digit, a "." before them, and a name between the two dots.
    if (start == end || end - start > kMaxPidDigits || start < 3 || entry[start - 1] != '.') {
        return 0;
    }
    long long pid = 0;
    for (std::size_t i = start; i < end; ++i) pid = pid * 10 + (entry[i] - '0');
    return pid > 0 && pid <= INT_MAX ? static_cast<std::int32_t>(pid) : 0;
}

// Opens an existing final for writing as the library opens any file it replaces: exclusive,
// and refused while another process holds it locked. *fd is -1 when there is no such file.
std::int32_t HoldReplaceable(const char* final, int* fd) {
    *fd = runtime::kInvalidFd;
    const int error = platform::OpenExclusive(final, platform::Access::kWrite,
                                              platform::Disposition::kOpenExisting, fd);
    if (error == 0 || error == platform::kErrorNotFound) return runtime::kStatusOk;
    return runtime::kFileIoError;
}

// Gives the part file the permission bits of the older file it replaces (held: its
// descriptor, or -1 when there is none), so a private file stays private, and flushes its data
// to disk, so that the name it is about to get never stands for a shorter file after a crash.
bool PrepareForRename(const char* part, int held) {
    int fd = runtime::kInvalidFd;
    if (platform::OpenExclusive(part, platform::Access::kWrite,
                                platform::Disposition::kOpenExisting, &fd) != 0) {
        return false;
    }
    bool ready = held == runtime::kInvalidFd || platform::CopyMode(held, fd) == 0;
    ready = ready && platform::Flush(fd) == 0;
    return platform::CloseFile(fd) == 0 && ready;
}

// A directory entry named like a part file of a process that no longer exists.
bool IsStalePartFile(const char* entry, void* self) {
    const std::int32_t owner = PartFileOwner(entry);
    return owner != 0 && owner != *static_cast<const std::int32_t*>(self) &&
           platform::ProcessIdUnused(owner);
}

}  // namespace

bool IsSingleComponentName(const char* name) {
    if (name == nullptr || *name == '\0') return false;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
    return std::strpbrk(name, "/\\") == nullptr;
}

bool PartFilePath(const char* directory, const char* name, long pid, char* out,
                  std::size_t capacity) {
    if (directory == nullptr || !IsSingleComponentName(name)) return false;
    char owner[24];
    const int ownerLength = std::snprintf(owner, sizeof owner, ".%ld%s", pid, kPartSuffix);
    if (ownerLength <= 0) return false;
    // "." + name + owner within one file name.
    const std::size_t room = kMaxComponent - 1 - static_cast<std::size_t>(ownerLength);
    const int nameLength = static_cast<int>(std::min(std::strlen(name), room));
    const int written =
        std::snprintf(out, capacity, "%s/.%.*s%s", directory, nameLength, name, owner);
    return written > 0 && static_cast<std::size_t>(written) < capacity;
}

bool SlotPartFile(char* out, std::size_t capacity) {
    SlotFacts facts;
    return ReadSlotFacts(&facts) && PartFilePath(facts.destinationDirectory, facts.currentFileName,
                                                 platform::OwnProcessId(), out, capacity);
}

void DiscardPartFile() {
    char part[PATH_MAX];
    if (SlotPartFile(part, sizeof part)) platform::Remove(part);
}

void RemoveStalePartFiles(const char* directory) {
    std::int32_t self = platform::OwnProcessId();
    platform::RemoveMatchingFiles(directory, IsStalePartFile, &self);
}

std::int32_t CheckReplaceable(const char* final) {
    int fd = runtime::kInvalidFd;
    const std::int32_t result = HoldReplaceable(final, &fd);
    if (fd != runtime::kInvalidFd) platform::CloseFile(fd);
    return result;
}

std::int32_t CommitPartFile(const char* part, const char* final) {
    int held = runtime::kInvalidFd;
    bool committed =
        HoldReplaceable(final, &held) == runtime::kStatusOk && PrepareForRename(part, held);
    if (committed) {
        committed = platform::RenameOverHeld(part, final, &held) == 0;
    } else if (held != runtime::kInvalidFd) {
        platform::CloseFile(held);
    }
    if (!committed) {
        platform::Remove(part);
        return runtime::kFileIoError;
    }
    platform::FlushFolderOf(final);
    return runtime::kStatusOk;
}

}  // namespace vkt::protocol
