// vkt-keygen --check: reads a private-key file the way the library does and says what it
// holds or what fails.
#pragma once

#include <string>

namespace vkt::keygen {

// Checks the file digest, locates the key text and loads the key with the library's own
// loader. Prints what it found; throws std::runtime_error naming the failure otherwise.
void CheckKeyFile(const std::string& path, const std::string& passwordFile);

}  // namespace vkt::keygen
