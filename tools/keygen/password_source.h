// Where vkt-keygen takes the password from, in this order: the first line of --password-file
// (its newline stripped), the environment variable VKT_PASSWORD, or a prompt on the terminal
// without echo when standard input is one.
#pragma once

#include <string>

#include "keygen/key_file_writer.h"

namespace vkt::keygen {

struct PasswordOptions {
    std::string passwordFile;  // empty: not given
    bool confirm = false;      // ask twice on the terminal (a new key)
};

// The password as Latin-1 bytes. Throws std::runtime_error with a message for the user when
// no source gives one, the file cannot be read, the two typed copies differ, or the text
// holds a NUL byte or a character above U+00FF.
SecretBytes ReadPassword(const PasswordOptions& options);

}  // namespace vkt::keygen
