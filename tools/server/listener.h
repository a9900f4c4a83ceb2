// The listening sockets and the accept loop: a thread per connection. The loop never waits on
// a client: connections over the pending bounds are refused and handed to the refusal closer.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

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

    // Binds and listens on the numeric address (IPv4 or IPv6; "::" takes both families) and
    // port; an empty address is the loopback of both families, 127.0.0.1 and ::1 on one port
    // (::1 left out where the machine has no IPv6). False with a reason on failure.
    bool Open(const std::string& address, int port, std::string* reason);
    // "ADDRESS:PORT" actually bound ("[ADDRESS]:PORT" for IPv6), one per socket, the first
    // given first.
    std::vector<std::string> BoundAddresses() const;
    // Accepts until Stop or a lasting failure; connections beyond the bounds get the error
    // report 40026 and are closed. Every session is in the registry while it runs.
    void Serve(const Options& options, const AnswersTable& answers, const UserKeys& keys,
               SessionRegistry& sessions);
    // Ends accepting (from another thread): Serve returns soon after.
    void Stop();
    bool stopped() const { return stopped_; }

  private:
    bool Listen(const std::string& address, int port, std::string* reason);
    // A socket with a connection waiting, -1 when none (or stopped).
    int WaitForConnection();
    void Refuse(int client, const std::string& peer, const char* reason);

    std::vector<int> sockets_;
    std::atomic<bool> stopped_{false};
    // Made by Serve; they outlive it, since session threads are never joined.
    std::unique_ptr<ConnectionLimits> limits_;
    std::unique_ptr<RefusalCloser> closer_;
};

}  // namespace vkt::server
