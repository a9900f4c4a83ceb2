// vkt-keygen's password, from the tools' shared password source (--password-file, VKT_PASSWORD,
// or a prompt on a terminal).
#pragma once

#include <string>

#include "keygen/key_file_writer.h"

namespace vkt::keygen {

struct PasswordOptions {
    std::string passwordFile;  // empty: not given
    bool confirm = false;      // ask twice on the terminal (a new key)
};

// The password as Latin-1 bytes. Throws UsageFailure when no source gives one, and
// std::runtime_error with a message for the user when the file cannot be read, the two typed
// copies differ, or the text is unfit for a key password.
SecretBytes ReadPassword(const PasswordOptions& options);

}  // namespace vkt::keygen
