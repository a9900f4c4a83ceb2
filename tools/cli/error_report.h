// The library's error list, printed for the user.
#pragma once

#include <cstdint>
#include <vector>

#include "cli/library_binding.h"

namespace vkt::cli {

// Reads and empties the library's error list and prints each record on standard error as
// "CODE text" (the Latin-1 text converted to UTF-8). Returns the codes, oldest first.
std::vector<std::int32_t> PrintErrors(const Library& library);

}  // namespace vkt::cli
