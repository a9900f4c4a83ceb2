// The listening socket and the accept loop: a thread per connection. The loop never waits on
// a client: connections over the pending bounds are refused and handed to the refusal closer.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "server/answers.h"
#include "server/connection_limits.h"
#include "server/options.h"
#include "server/refusal_closer.h"
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
    // Accepts until Stop or a lasting failure; connections beyond the bounds get the error
    // report 40026 and are closed. Every session is in the registry while it runs.
    void Serve(const Options& options, const AnswersTable& answers, const UserKeys& keys,
               SessionRegistry& sessions);
    // Ends accepting (from another thread): Serve returns soon after.
    void Stop();
    bool stopped() const { return stopped_; }

  private:
    void Refuse(int client, const std::string& peer, const char* reason);

    int socket_ = -1;
    std::atomic<bool> stopped_{false};
    // Made by Serve; they outlive it, since session threads are never joined.
    std::unique_ptr<ConnectionLimits> limits_;
    std::unique_ptr<RefusalCloser> closer_;
};

}  // namespace vkt::server
