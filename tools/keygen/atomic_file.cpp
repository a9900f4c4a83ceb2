#include "keygen/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace vkt::keygen {
namespace {

[[noreturn]] void Fail(const std::string& what, int error) {
    throw std::runtime_error(what + ": " + std::strerror(error));
}

void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

StagedFile::StagedFile(const std::string& folder, const std::string& name, const std::uint8_t* data,
                       std::size_t size, mode_t mode)
    : folder_(folder), path_(JoinPath(folder, name)) {
    std::string pattern = JoinPath(folder, "." + name + ".XXXXXX");
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) Fail("cannot create a file in " + folder, errno);
    temporary_ = buffer.data();
    int error = 0;
    if (fchmod(fd, mode) != 0) error = errno;
    for (std::size_t done = 0; error == 0 && done < size;) {
        const ssize_t wrote = write(fd, data + done, size - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0)
            error = errno;
        else
            done += static_cast<std::size_t>(wrote);
    }
    if (error == 0 && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error != 0) {
        unlink(temporary_.c_str());
        Fail("cannot write " + temporary_, error);
    }
}

StagedFile::~StagedFile() {
    if (!placed_) unlink(temporary_.c_str());
}

void StagedFile::Place(bool replace) {
    if (replace) {
        if (rename(temporary_.c_str(), path_.c_str()) != 0) Fail("cannot write " + path_, errno);
    } else if (link(temporary_.c_str(), path_.c_str()) == 0) {
        unlink(temporary_.c_str());
    } else if (errno == EEXIST) {
        throw std::runtime_error(path_ + " already exists (use --force to replace it)");
    } else {
        // A file system without hard links: test for the name, then rename.
        struct stat existing {};
        if (lstat(path_.c_str(), &existing) == 0) {
            throw std::runtime_error(path_ + " already exists (use --force to replace it)");
        }
        if (rename(temporary_.c_str(), path_.c_str()) != 0) Fail("cannot write " + path_, errno);
    }
    placed_ = true;
    SyncFolder(folder_);
}

}  // namespace vkt::keygen
