// A failure that is the command line's fault (a bad option value, no password source): vkt-keygen
// exits 2 for it, as for any usage error, and 1 for other failures.
#pragma once

#include <stdexcept>

namespace vkt::keygen {

class UsageFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace vkt::keygen
