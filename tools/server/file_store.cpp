#include "server/file_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace vkt::server {

namespace {

constexpr char kPartialPrefix[] = ".receiving.";

std::string Join(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

}  // namespace

bool IsSafeName(const std::string& name) {
    if (name.empty() || name.size() > 255 || name[0] == '.') return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) return false;
    }
    return true;
}

bool IsPartialFileName(const std::string& name) {
    return name.rfind(kPartialPrefix, 0) == 0;
}

InboxFile::~InboxFile() {
    Abort();
}

bool InboxFile::Open(const std::string& inbox, const std::string& user, const std::string& name) {
    Abort();
    const std::string folder = Join(inbox, user);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    std::string pattern = Join(folder, kPartialPrefix + name.substr(0, 200) + ".XXXXXX");
    descriptor_ = mkostemp(pattern.data(), O_CLOEXEC);
    if (descriptor_ < 0) return false;
    temporary_ = pattern;
    final_ = Join(folder, name);
    name_ = name;
    return true;
}

bool InboxFile::Write(const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write(descriptor_, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool InboxFile::Reserve(std::uint64_t size, std::uint64_t margin) {
    struct statvfs info {};
    if (descriptor_ < 0 || fstatvfs(descriptor_, &info) != 0) return false;
    const std::uint64_t free = static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
    if (free < margin || free - margin < size) return false;
    // Allocated now, the space is no longer free for the transfers that check after this one.
    return size == 0 || posix_fallocate(descriptor_, 0, static_cast<off_t>(size)) == 0;
}

bool InboxFile::Commit() {
    if (descriptor_ < 0) return false;
    const bool synced = fsync(descriptor_) == 0;
    const bool closed = close(descriptor_) == 0;
    descriptor_ = -1;
    if (!synced || !closed || rename(temporary_.c_str(), final_.c_str()) != 0) {
        unlink(temporary_.c_str());
        temporary_.clear();
        return false;
    }
    temporary_.clear();
    return true;
}

void InboxFile::Abort() {
    if (descriptor_ >= 0) close(descriptor_);
    descriptor_ = -1;
    if (!temporary_.empty()) unlink(temporary_.c_str());
    temporary_.clear();
}

OutboxFile::~OutboxFile() {
    if (descriptor_ >= 0) close(descriptor_);
}

bool OutboxFile::Open(const std::string& outbox, const std::string& user, const std::string& name) {
    const int descriptor =
        open(Join(Join(outbox, user), name).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) return false;
    struct stat info {};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(descriptor);
        return false;
    }
    descriptor_ = descriptor;
    size_ = static_cast<std::uint64_t>(info.st_size);
    return true;
}

ssize_t OutboxFile::Read(char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t got = read(descriptor_, buffer, size);
        if (got >= 0 || errno != EINTR) return got;
    }
}

}  // namespace vkt::server
