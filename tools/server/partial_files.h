// Removal of the temporary files of transfers that never ended (a crash, a kill -9): at start,
// and once more at a stop after the sessions have ended.
#pragma once

#include <string>

namespace vkt::server {

// Removes every INBOX/USER/.receiving.* file and logs each one; returns how many it removed.
int RemovePartialFiles(const std::string& inbox);

}  // namespace vkt::server
