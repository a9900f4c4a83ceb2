#include "cli/password_input.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cli/interrupt.h"
#include "cli/latin1.h"

namespace vkt::cli {
namespace {

constexpr std::size_t kMaxPasswordBytes = 4096;

void WriteAll(int fd, const char* text) {
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t done = write(fd, text, left);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return;
        text += done;
        left -= static_cast<std::size_t>(done);
    }
}

// One line typed on the terminal, echo off while it is typed.
PasswordResult Prompt(SecretText* typed, std::string* message) {
    const int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) {
        *message = "no password: set VKT_PASSWORD or run on a terminal";
        return PasswordResult::kFailed;
    }
    termios saved{};
    if (tcgetattr(tty, &saved) != 0) {
        close(tty);
        *message = "no password: cannot use the terminal; set VKT_PASSWORD";
        return PasswordResult::kFailed;
    }
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    WriteAll(tty, "Password: ");
    tcsetattr(tty, TCSAFLUSH, &quiet);

    std::string line;
    line.reserve(kMaxPasswordBytes);  // no reallocation leaves a copy behind
    PasswordResult result = PasswordResult::kRead;
    for (;;) {
        char byte = 0;
        const ssize_t got = read(tty, &byte, 1);
        if (InterruptSignal() != 0) {
            result = PasswordResult::kInterrupted;
            break;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || byte == '\n') break;
        if (line.size() == kMaxPasswordBytes) {
            *message = "the password is longer than 4096 bytes";
            result = PasswordResult::kFailed;
            break;
        }
        line.push_back(byte);
    }
    tcsetattr(tty, TCSAFLUSH, &saved);
    if (result == PasswordResult::kInterrupted) WriteAll(tty, "\n");
    close(tty);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    *typed = SecretText(std::move(line));
    return result;
}

}  // namespace

PasswordResult ReadPassword(SecretText* password, std::string* message) {
    SecretText raw;
    if (const char* fromEnvironment = std::getenv("VKT_PASSWORD")) {
        raw = SecretText(std::string(fromEnvironment));
    } else {
        const PasswordResult typed = Prompt(&raw, message);
        if (typed != PasswordResult::kRead) return typed;
    }
    if (std::memchr(raw.text().data(), '\0', raw.text().size()) != nullptr) {
        *message = "the password holds a NUL byte";
        return PasswordResult::kFailed;
    }
    SecretText latin1;
    if (!Utf8ToLatin1(raw.text(), latin1.mutable_text())) {
        *message = "the password holds a character above U+00FF; passwords are Latin-1 text";
        return PasswordResult::kFailed;
    }
    *password = std::move(latin1);
    return PasswordResult::kRead;
}

}  // namespace vkt::cli
