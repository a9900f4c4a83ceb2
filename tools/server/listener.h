// The listening socket and the accept loop: a thread per session, at most maxSessions at once.
#pragma once

#include <string>

#include "server/answers.h"
#include "server/options.h"

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
    // Accepts for ever; sessions beyond the bound get the error report 40026 and are closed.
    void Serve(const Options& options, const AnswersTable& answers);

  private:
    int socket_ = -1;
};

}  // namespace vkt::server
