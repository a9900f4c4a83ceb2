// Where a connection's socket notifications go: the event thread watches the socket while
// notifications are enabled and delivers "readable" and "closed by the peer" events.
#pragma once

namespace vkt::runtime {

class NotificationTarget {
  public:
    virtual ~NotificationTarget() = default;
    // Starts (enabled) or stops watching fd. Safe to call from any thread. False on failure
    // (the socket error is then set).
    virtual bool WatchSocket(int fd, bool enabled) = 0;
};

}  // namespace vkt::runtime
