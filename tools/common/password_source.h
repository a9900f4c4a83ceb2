// Where the tools take the private-key password from, in this order: the first line of
// --password-file FILE (its newline stripped), the variable VKT_PASSWORD, or a prompt without
// echo when standard input is a terminal (a console on Windows). An interrupt during the
// prompt restores the terminal and is then handed to the handler the program had before
// (platform/password_input.h).
#pragma once

#include <optional>
#include <string>

#include "common/secret_text.h"

namespace vkt::tools {

struct PasswordRequest {
    std::optional<std::string> file;  // --password-file
    bool confirm = false;             // ask twice on the terminal (a new key)
    const char* prompt = "Password: ";
};

enum class PasswordResult {
    kRead,
    kNoSource,     // no file, no variable and no terminal: a usage error
    kFailed,       // the file cannot be read, the copies differ, or the text is unfit
    kInterrupted,  // an interrupt arrived during the prompt
};

// The password as Latin-1 bytes: valid UTF-8 is converted, other text is taken as Latin-1
// already. kFailed, with message, also for a NUL byte, a character above U+00FF or more than
// 4096 bytes.
PasswordResult ReadPassword(const PasswordRequest& request, SecretText* password,
                            std::string* message);

}  // namespace vkt::tools
