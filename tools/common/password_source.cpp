#include "common/password_source.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "rules/latin1.h"

namespace vkt::tools {
namespace {

constexpr std::size_t kMaxPasswordBytes = 4096;

volatile std::sig_atomic_t arrived = 0;

void Remember(int signal) {
    arrived = signal;
}

// One line from fd into *line, without its "\n" (or "\r\n"); kFailed past kMaxPasswordBytes
// or on a read error, kInterrupted when watchSignals and a signal arrived.
PasswordResult ReadLine(int fd, bool watchSignals, SecretText* line, std::string* message) {
    std::string text;
    text.reserve(kMaxPasswordBytes + 1);  // no reallocation leaves a copy behind
    PasswordResult result = PasswordResult::kRead;
    for (;;) {
        if (watchSignals && arrived != 0) {
            result = PasswordResult::kInterrupted;
            break;
        }
        char byte = 0;
        const ssize_t got = read(fd, &byte, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            *message = std::strerror(errno);
            result = PasswordResult::kFailed;
            break;
        }
        if (got == 0 || byte == '\n') break;
        if (text.size() == kMaxPasswordBytes) {
            *message = "longer than 4096 bytes";
            result = PasswordResult::kFailed;
            break;
        }
        text.push_back(byte);
    }
    if (!text.empty() && text.back() == '\r') text.pop_back();
    *line = SecretText(std::move(text));
    return result;
}

PasswordResult FirstLineOf(const std::string& path, SecretText* line, std::string* message) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *message = "cannot read the password file " + path + ": " + std::strerror(errno);
        return PasswordResult::kFailed;
    }
    std::string reason;
    const PasswordResult result = ReadLine(fd, false, line, &reason);
    close(fd);
    if (result != PasswordResult::kRead) {
        *message = "the password file " + path + ": " + reason;
    }
    return result;
}

// One line typed on standard input (a terminal), echo off while it is typed.
PasswordResult Prompt(const char* prompt, SecretText* typed, std::string* message) {
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0) {
        *message = "no password: cannot use the terminal; use --password-file FILE or VKT_PASSWORD";
        return PasswordResult::kFailed;
    }
    struct sigaction watch {};
    watch.sa_handler = Remember;
    sigemptyset(&watch.sa_mask);
    struct sigaction oldInt {};
    struct sigaction oldTerm {};
    arrived = 0;
    sigaction(SIGINT, &watch, &oldInt);
    sigaction(SIGTERM, &watch, &oldTerm);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    std::string reason;
    const PasswordResult result = ReadLine(STDIN_FILENO, true, typed, &reason);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
    if (result == PasswordResult::kInterrupted) {
        std::fputs("\n", stderr);
        std::raise(arrived);  // to the program's own handling of it
    } else if (result == PasswordResult::kFailed) {
        *message = "the password: " + reason;
    }
    return result;
}

PasswordResult ReadRaw(const PasswordRequest& request, SecretText* raw, std::string* message) {
    if (request.file) return FirstLineOf(*request.file, raw, message);
    if (const char* fromEnvironment = std::getenv("VKT_PASSWORD")) {
        *raw = SecretText(std::string(fromEnvironment));
        return PasswordResult::kRead;
    }
    if (isatty(STDIN_FILENO) != 1) {
        *message = "no password: use --password-file FILE or VKT_PASSWORD";
        return PasswordResult::kNoSource;
    }
    const PasswordResult first = Prompt(request.prompt, raw, message);
    if (first != PasswordResult::kRead || !request.confirm) return first;
    SecretText again;
    const PasswordResult second = Prompt("Repeat the password: ", &again, message);
    if (second != PasswordResult::kRead) return second;
    if (again.text() != raw->text()) {
        *message = "the two passwords differ";
        return PasswordResult::kFailed;
    }
    return PasswordResult::kRead;
}

}  // namespace

PasswordResult ReadPassword(const PasswordRequest& request, SecretText* password,
                            std::string* message) {
    SecretText raw;
    const PasswordResult read = ReadRaw(request, &raw, message);
    if (read != PasswordResult::kRead) return read;
    if (std::memchr(raw.text().data(), '\0', raw.text().size()) != nullptr) {
        *message = "the password holds a NUL byte, which a key password cannot contain";
        return PasswordResult::kFailed;
    }
    SecretText latin1;
    if (!rules::Utf8ToLatin1(raw.text(), latin1.mutable_text())) {
        *message =
            "the password holds a character outside Latin-1 (above U+00FF); key passwords are "
            "single-byte Latin-1 text";
        return PasswordResult::kFailed;
    }
    *password = std::move(latin1);
    return PasswordResult::kRead;
}

}  // namespace vkt::tools
