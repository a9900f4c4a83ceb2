// The check of the user's private-key file when a session is opened, before any traffic:
// the file's integrity digest, the place of the key text, the password, and that the key can
// sign.
#pragma once

#include <cstdint>

#include "runtime/table/session_slot.h"

namespace vkt::runtime {
class ErrorList;
}

namespace vkt::protocol {

// location->keyDirectory = path with "/" appended unless it already ends in one (an empty
// path stays empty). False, with the directory left empty, when the result would exceed 254
// bytes.
bool ResolveKeyDirectory(const char* path, runtime::KeyLocation* location);

// Checks key directory + userName + ".pri" (location->keyDirectory as resolved above) and
// fills location->keyOffset and keyLength (22 and N). Every non-zero result is recorded in
// errors (when not null) before it is returned:
//   2604   the password is refused (the caller goes on to send the password-failure notice)
//   2205   the record holds a public key, which cannot sign
//   2608   the record's fields make no valid signature (they do not agree with one another)
//   40032  the file cannot be opened, is empty or shorter than its 41-byte tail, cannot be
//          read whole, or its key text runs into the digest or past the end of the file
//   40052  the four length characters at offset 18 are not blanks then digits, or give 0
//   40053  the user name or directory cannot name a key file
//   40100  no memory for the file's bytes
//   2403   the integrity digest differs from the file's content
//   2204   the integrity digest is not 40 hexadecimal digits
//   other  any other failure of the key load, with its code
std::int32_t CheckKeyAtConnect(const char* userName, const char* password,
                               runtime::KeyLocation* location, runtime::ErrorList* errors);

}  // namespace vkt::protocol
