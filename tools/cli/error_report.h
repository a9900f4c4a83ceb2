// The library's error list, printed for the user.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/library_binding.h"

namespace vkt::cli {

// Reads and empties the library's error list and prints each record on standard error as
// "vkt: CONTEXT: [CODE] text" (the Latin-1 text converted to UTF-8), CONTEXT saying what
// failed ("get NAME from HOST:PORT"). Returns the codes, oldest first.
std::vector<std::int32_t> PrintErrors(const Library& library, const std::string& context);

// A failed library call or operation: the records printed (or, with none, the code returned),
// and the exit status the deciding code calls for (exit_class.h; serverFile as there).
int ReportFailure(const Library& library, const std::string& context, std::int32_t returned,
                  bool serverFile = false);

// The failure reported last, by ReportFailure (its deciding code) or PrintErrors (the first
// record): the code and the library's text for it (UTF-8). Code 0 and "" when none was
// reported since the last call, which forgets it.
struct Failure {
    std::int32_t code = 0;
    std::string text;
};
Failure TakeLastFailure();

}  // namespace vkt::cli
