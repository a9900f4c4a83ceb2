// The real libVKT32.so against a running vkt-server: a session opened and closed through the
// exports, and the operations timed from the call to the end that VKTEstado reports (polled
// every 100 microseconds, so the poll adds next to nothing to what is measured).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "support/vkt_exports.h"

namespace vkt::bench {

using Duration = std::chrono::nanoseconds;

class LibrarySession {
  public:
    LibrarySession(const testing::VktExports& vkt, int port, std::string user, std::string password,
                   std::string keys);
    ~LibrarySession();
    LibrarySession(const LibrarySession&) = delete;
    LibrarySession& operator=(const LibrarySession&) = delete;

    // Each returns false (and says why on standard error) when the operation fails.
    bool Open();
    void Close();
    bool Send(const std::string& path);
    bool Request(const std::string& name, const std::string& folder);

  private:
    bool Ended(const char* what, std::int32_t started);

    const testing::VktExports& vkt_;
    std::string port_, user_, password_, keys_;
    std::int32_t session_ = 0;
};

// Wall time of work(), or a negative duration when it returns false.
template <typename Work>
Duration Timed(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    if (!work()) return Duration(-1);
    return std::chrono::steady_clock::now() - start;
}

}  // namespace vkt::bench
