// The listening socket and the accept loop: a thread per session, at most maxSessions at once.
#pragma once

#include <atomic>
#include <string>

#include "server/answers.h"
#include "server/options.h"
#include "server/session_registry.h"
#include "server/user_keys.h"

namespace vkt::server {

class Listener {
  public:
    Listener() = default;
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Binds and listens on the numeric address and port; false with a reason on failure.
    bool Open(const std::string& address, int port, std::string* reason);
    // "ADDRESS:PORT" actually bound ("[ADDRESS]:PORT" for IPv6).
    std::string BoundAddress() const;
    // Accepts until Stop or a lasting failure; sessions beyond the bound get the error report
    // 40026 and are closed. Every session is in the registry while it runs.
    void Serve(const Options& options, const AnswersTable& answers, const UserKeys& keys,
               SessionRegistry& sessions);
    // Ends accepting (from another thread): Serve returns soon after.
    void Stop();
    bool stopped() const { return stopped_; }

  private:
    int socket_ = -1;
    std::atomic<bool> stopped_{false};
};

}  // namespace vkt::server
