#include "rules/config_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "rules/latin1.h"

namespace vkt::rules {
namespace {

// The file's bytes as UTF-8 text.
std::string DecodeRecord(const std::string& bytes) {
    bool ascii = true;
    for (const char b : bytes) ascii = ascii && static_cast<unsigned char>(b) < 0x80;
    if (!ascii && IsUtf8(bytes)) return bytes;
    return Latin1ToUtf8(bytes);
}

// [from, to) of text, trimmed.
std::string FieldBetween(const std::string& text, std::size_t from, std::size_t to) {
    return TrimBlanks(text.substr(from, to - from));
}

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

ConfigRead ParseConfigText(const std::string& bytes, const std::string& defaultKeyDirectory) {
    std::string record = DecodeRecord(bytes);
    const std::size_t end = record.find_last_not_of(" \r\n");
    record.erase(end == std::string::npos ? 0 : end + 1);

    ConfigRead read;
    ConfigRecord& fields = read.record;
    const std::size_t p1 = record.find(',');
    if (p1 == std::string::npos) return read;
    fields.server = FieldBetween(record, 0, p1);
    const std::size_t p2 = record.find(',', p1 + 1);
    if (p2 == std::string::npos) return read;
    fields.service = FieldBetween(record, p1 + 1, p2);
    const std::size_t p3 = record.find(',', p2 + 1);
    if (p3 == std::string::npos) return read;
    read.timeoutText = FieldBetween(record, p2 + 1, p3);
    std::int32_t timeout = 0;
    read.timeout = ReadInt32(read.timeoutText, &timeout);
    if (!read.ok()) return read;
    fields.timeout = timeout;
    const std::size_t p4 = record.find(',', p3 + 1);
    if (p4 != std::string::npos) {
        fields.user = FieldBetween(record, p3 + 1, p4);
        fields.keyDirectory = FieldBetween(record, p4 + 1, record.size());
    } else {
        fields.user = FieldBetween(record, p3 + 1, record.size());
        fields.keyDirectory = defaultKeyDirectory;
    }
    return read;
}

int ReadConfigFile(const std::string& path, std::string* bytes) {
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

int WriteConfigFile(const std::string& path, const std::string& record) {
    std::string bytes;
    if (!Utf8ToLatin1(record, &bytes)) bytes = record;
    bytes.push_back('\n');
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
