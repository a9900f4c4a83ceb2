#include "rules/platform/whole_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace vkt::rules {
namespace {

// Writes all of bytes to fd; false with errno set when it cannot.
bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

}  // namespace

int ReadWholeFile(const std::string& path, std::string* bytes) {
    bytes->clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int number = errno;
            close(fd);
            return number;
        }
        if (got == 0) break;
        bytes->append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return 0;
}

int ReplaceWholeFile(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".new-" + std::to_string(getpid());
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    int number = 0;
    if (!WriteAll(fd, bytes) || fsync(fd) != 0) number = errno;
    if (close(fd) != 0 && number == 0) number = errno;
    if (number == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) number = errno;
    if (number != 0) unlink(temporary.c_str());
    return number;
}

}  // namespace vkt::rules
