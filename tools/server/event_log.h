// One line per event on standard error: "YYYY-MM-DD HH:MM:SS PEER USER EVENT". Lines of
// concurrent sessions never interleave.
#pragma once

#include <string>

namespace vkt::server {

// peer and user may be empty; they are written as "-" then.
void LogEvent(const std::string& peer, const std::string& user, const std::string& event);

}  // namespace vkt::server
