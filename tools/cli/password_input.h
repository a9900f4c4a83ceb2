// The private-key password: the variable VKT_PASSWORD (for scripts), else typed on the
// terminal (/dev/tty) without echo. The terminal is restored on every path, Ctrl-C included.
#pragma once

#include <string>

#include "cli/secret_text.h"

namespace vkt::cli {

enum class PasswordResult { kRead, kFailed, kInterrupted };

// The password as Latin-1 bytes. kFailed, with message, when there is no terminal to ask on,
// the terminal cannot be used, or the text holds a NUL byte or a character above U+00FF.
PasswordResult ReadPassword(SecretText* password, std::string* message);

}  // namespace vkt::cli
