#include "rules/platform/whole_file.h"

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>

namespace vkt::rules {
namespace {

// The errno value closest to a failed MoveFileExA's GetLastError().
int ErrnoOfMove(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_DISK_FULL:
            return ENOSPC;
        default:
            return EIO;
    }
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const int wrote =
            _write(fd, bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
        if (wrote < 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

}  // namespace

int ReadWholeFile(const std::string& path, std::string* bytes) {
    bytes->clear();
    const int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) return errno;
    char buffer[4096];
    for (;;) {
        const int got = _read(fd, buffer, sizeof buffer);
        if (got < 0) {
            const int number = errno;
            _close(fd);
            return number;
        }
        if (got == 0) break;
        bytes->append(buffer, static_cast<std::size_t>(got));
    }
    _close(fd);
    return 0;
}

// MoveFileExA replaces the file, which rename() will not do on Windows.
int ReplaceWholeFile(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".new-" + std::to_string(_getpid());
    const int fd =
        _open(temporary.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
              _S_IREAD | _S_IWRITE);
    if (fd < 0) return errno;
    int number = 0;
    if (!WriteAll(fd, bytes) || _commit(fd) != 0) number = errno;
    if (_close(fd) != 0 && number == 0) number = errno;
    if (number == 0 && MoveFileExA(temporary.c_str(), path.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        number = ErrnoOfMove(GetLastError());
    }
    if (number != 0) _unlink(temporary.c_str());
    return number;
}

}  // namespace vkt::rules
