#include "common/platform/password_input.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "common/password_line.h"

namespace vkt::tools {
namespace {

volatile std::sig_atomic_t arrived = 0;

void Remember(int signal) {
    arrived = signal;
}

// One line from fd into *line; kInterrupted when watchSignals and a signal arrived.
PasswordResult ReadLine(int fd, bool watchSignals, SecretText* line, std::string* message) {
    const auto next = [fd](char* byte, std::string* reason) {
        const ssize_t got = read(fd, byte, 1);
        if (got < 0 && errno == EINTR) return NextByte::kAgain;
        if (got < 0) {
            *reason = std::strerror(errno);
            return NextByte::kFailed;
        }
        return got == 0 ? NextByte::kEnd : NextByte::kByte;
    };
    return CollectPasswordLine(
        next, [watchSignals] { return watchSignals && arrived != 0; }, line, message);
}

}  // namespace

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

bool StandardInputIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

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

}  // namespace vkt::tools
