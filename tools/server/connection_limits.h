// The server's bounds on connections. A connection is pending from its accept until it opens a
// session; pending connections are capped per client address and in all, sessions on their own,
// so that connections that never authenticate cannot keep users out.
#pragma once

#include <map>
#include <mutex>
#include <string>

namespace vkt::server {

class ConnectionLimits {
  public:
    ConnectionLimits(int maxSessions, int maxPending, int maxPerAddress)
        : maxSessions_(maxSessions), maxPending_(maxPending), maxPerAddress_(maxPerAddress) {}
    ConnectionLimits(const ConnectionLimits&) = delete;
    ConnectionLimits& operator=(const ConnectionLimits&) = delete;

    // Counts a new pending connection from host; false when host or the server holds too many.
    bool AdmitPending(const std::string& host);
    void LeavePending(const std::string& host);
    // Takes a session place; false when all are in use.
    bool OpenSession();
    void CloseSession();

  private:
    const int maxSessions_;
    const int maxPending_;
    const int maxPerAddress_;
    std::mutex mutex_;
    int sessions_ = 0;
    int pending_ = 0;
    std::map<std::string, int> pendingByHost_;
};

// One connection's hold on the limits: pending when made, a session once Promote succeeds;
// whatever it holds is given back when it is destroyed.
class ConnectionTicket {
  public:
    ConnectionTicket(ConnectionLimits& limits, std::string host)
        : limits_(limits), host_(std::move(host)) {}
    ~ConnectionTicket();
    ConnectionTicket(const ConnectionTicket&) = delete;
    ConnectionTicket& operator=(const ConnectionTicket&) = delete;

    // Leaves the pending count for a session place; false (still pending) when none is free.
    bool Promote();
    bool IsSession() const { return session_; }

  private:
    ConnectionLimits& limits_;
    std::string host_;
    bool session_ = false;
};

}  // namespace vkt::server
