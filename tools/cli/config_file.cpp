#include "cli/config_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vkt::cli {
namespace {

std::string TrimBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// [from, to) of text, trimmed.
std::string FieldBetween(const std::string& text, std::size_t from, std::size_t to) {
    return TrimBlanks(text.substr(from, to - from));
}

// An optional sign and decimal digits within the 32-bit range.
bool ReadInt32(const std::string& text, std::int32_t* value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    std::int64_t number = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        number = number * 10 + (text[i] - '0');
        if (number > 2147483648LL) return false;
    }
    if (negative) number = -number;
    if (number > 2147483647LL) return false;
    *value = static_cast<std::int32_t>(number);
    return true;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return ".";
}

std::string FolderFromEnvironment(const char* variable, const char* fallbackUnderHome) {
    if (const char* folder = std::getenv(variable); folder != nullptr && *folder != '\0') {
        return folder;
    }
    return HomeFolder() + "/" + fallbackUnderHome;
}

}  // namespace

bool ParseConfigText(const std::string& text, const std::string& defaultKeyDirectory,
                     ConfigFile* config, std::string* reason) {
    std::string record = text;
    if (!record.empty() && record.back() == '\n') {
        record.pop_back();
        if (!record.empty() && record.back() == '\r') record.pop_back();
    }
    ConfigFile read;
    const std::size_t p1 = record.find(',');
    if (p1 == std::string::npos) {
        *config = read;
        return true;
    }
    read.server = FieldBetween(record, 0, p1);
    const std::size_t p2 = record.find(',', p1 + 1);
    if (p2 != std::string::npos) {
        read.service = FieldBetween(record, p1 + 1, p2);
        const std::size_t p3 = record.find(',', p2 + 1);
        if (p3 != std::string::npos) {
            const std::string timeoutText = FieldBetween(record, p2 + 1, p3);
            std::int32_t timeout = 0;
            if (!ReadInt32(timeoutText, &timeout)) {
                *reason = "the time-out field \"" + timeoutText + "\" is not a number";
                return false;
            }
            read.timeout = timeout;
            const std::size_t p4 = record.find(',', p3 + 1);
            if (p4 != std::string::npos) {
                read.user = FieldBetween(record, p3 + 1, p4);
                read.keyDirectory = FieldBetween(record, p4 + 1, record.size());
            } else {
                read.user = FieldBetween(record, p3 + 1, record.size());
            }
            if (!read.keyDirectory || read.keyDirectory->empty()) {
                read.keyDirectory = defaultKeyDirectory;
            }
        }
    }
    *config = read;
    return true;
}

bool ReadConfigFile(const std::string& path, const std::string& defaultKeyDirectory,
                    ConfigFile* config, std::string* reason) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            *config = ConfigFile{};
            return true;
        }
        *reason = path + ": " + std::strerror(errno);
        return false;
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            *reason = path + ": " + std::strerror(errno);
            close(fd);
            return false;
        }
        if (got == 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    if (!ParseConfigText(text, defaultKeyDirectory, config, reason)) {
        *reason = path + ": " + *reason;
        return false;
    }
    return true;
}

std::string DefaultConfigPath() {
    if (const char* home = std::getenv("VKT_HOME"); home != nullptr && *home != '\0') {
        return std::string(home) + "/VKT32.cnf";
    }
    return FolderFromEnvironment("XDG_CONFIG_HOME", ".config") + "/vkt/VKT32.cnf";
}

std::string DefaultKeyDirectory() {
    return FolderFromEnvironment("XDG_DATA_HOME", ".local/share") + "/vkt/claves";
}

}  // namespace vkt::cli
