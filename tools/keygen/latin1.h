// Passwords and user names are single-byte Latin-1 text, as the library and the key files
// take them.
#pragma once

#include <optional>
#include <string>

#include "keygen/key_file_writer.h"

namespace vkt::keygen {

// Text that is valid UTF-8 is converted to Latin-1 (nullopt when it holds a character above
// U+00FF); anything else is taken as Latin-1 already and returned unchanged.
std::optional<SecretBytes> ToLatin1(const SecretBytes& text);

// True when the Latin-1 text holds a letter that has an upper-case form in Latin-1 (a-z,
// U+00E0-U+00F6, U+00F8-U+00FE): the desktop client turns typed letters to upper case.
bool HasLowerCaseLetter(const SecretBytes& latin1);

}  // namespace vkt::keygen
