#include "keygen/password_source.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "keygen/latin1.h"

namespace vkt::keygen {
namespace {

constexpr std::size_t kMaxPasswordBytes = 4096;

[[noreturn]] void Fail(const std::string& message) {
    throw std::runtime_error(message);
}

// The first line of the file, without its "\n" (or "\r\n").
SecretBytes FirstLineOf(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail("cannot read the password file " + path + ": " + std::strerror(errno));
    SecretBytes line;
    std::uint8_t byte = 0;
    for (;;) {
        const ssize_t got = read(fd, &byte, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int error = errno;
            close(fd);
            Fail("cannot read the password file " + path + ": " + std::strerror(error));
        }
        if (got == 0 || byte == '\n') break;
        if (line.size() == kMaxPasswordBytes) {
            close(fd);
            Fail("the password in " + path + " is longer than 4096 bytes");
        }
        line.push_back(byte);
    }
    close(fd);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// Terminal settings to restore when a signal ends the program during a prompt.
termios savedTerminal;
volatile std::sig_atomic_t echoOff = 0;

void RestoreTerminalAndDie(int signal) {
    if (echoOff) tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

SecretBytes PromptWithoutEcho(const char* prompt) {
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    if (tcgetattr(STDIN_FILENO, &savedTerminal) != 0) Fail("cannot read the terminal settings");
    termios quiet = savedTerminal;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    auto oldInt = std::signal(SIGINT, RestoreTerminalAndDie);
    auto oldTerm = std::signal(SIGTERM, RestoreTerminalAndDie);
    echoOff = 1;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    SecretBytes line;
    std::uint8_t byte = 0;
    bool tooLong = false;
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, &byte, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || byte == '\n') break;
        if (line.size() < kMaxPasswordBytes)
            line.push_back(byte);
        else
            tooLong = true;
    }
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    echoOff = 0;
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);
    if (tooLong) Fail("the password is longer than 4096 bytes");
    return line;
}

SecretBytes ReadRaw(const PasswordOptions& options) {
    if (!options.passwordFile.empty()) return FirstLineOf(options.passwordFile);
    if (const char* fromEnvironment = std::getenv("VKT_PASSWORD")) {
        return SecretBytes(fromEnvironment, fromEnvironment + std::strlen(fromEnvironment));
    }
    if (!isatty(STDIN_FILENO)) {
        Fail(
            "no password given: use --password-file FILE or the variable VKT_PASSWORD "
            "(an empty one makes an unprotected key)");
    }
    SecretBytes first = PromptWithoutEcho(
        options.confirm ? "Password (empty for an unprotected key): " : "Password: ");
    if (options.confirm) {
        const SecretBytes second = PromptWithoutEcho("Repeat the password: ");
        if (first != second) Fail("the two passwords differ");
    }
    return first;
}

}  // namespace

SecretBytes ReadPassword(const PasswordOptions& options) {
    const SecretBytes raw = ReadRaw(options);
    if (std::find(raw.begin(), raw.end(), 0) != raw.end()) {
        Fail("the password holds a NUL byte, which a key password cannot contain");
    }
    std::optional<SecretBytes> latin1 = ToLatin1(raw);
    if (!latin1) {
        Fail(
            "the password holds a character outside Latin-1 (above U+00FF); key passwords "
            "are single-byte Latin-1 text");
    }
    return std::move(*latin1);
}

}  // namespace vkt::keygen
