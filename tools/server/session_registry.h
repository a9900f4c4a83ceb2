// The sockets of the sessions running, so that a stop can end them at once (shutdown(2) wakes
// a session blocked in a receive or a send) instead of waiting for their idle time-outs.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>

namespace vkt::server {

class SessionRegistry {
  public:
    // false once EndAll has run: the session must not start then.
    bool Add(int socket);
    void Remove(int socket);
    // Refuses further sessions and shuts every registered socket in both directions; each
    // session then sees its connection end, drops a file it was receiving and leaves.
    void EndAll();
    // True when every session has left within the time.
    bool WaitUntilEmpty(std::chrono::milliseconds longest);

  private:
    std::mutex lock_;
    std::condition_variable left_;
    std::set<int> sockets_;
    bool ending_ = false;
};

}  // namespace vkt::server
