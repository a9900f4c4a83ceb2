// Closes refused connections on a thread of its own, so that the accept loop never waits on a
// client. A refused connection has had its error report written and our side shut; what the
// client still sends is read and dropped until it closes or a fixed time after the refusal has
// passed, however it trickles bytes (closing on unread data would reset the connection and
// could lose the report before the client reads it).
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace vkt::server {

class RefusalCloser {
  public:
    RefusalCloser();
    ~RefusalCloser();
    RefusalCloser(const RefusalCloser&) = delete;
    RefusalCloser& operator=(const RefusalCloser&) = delete;

    // Takes the socket over; it is closed at once when too many are waiting already.
    void Hand(int socket);

  private:
    using Clock = std::chrono::steady_clock;
    struct Waiting {
        int socket;
        Clock::time_point deadline;
    };

    void Run();

    std::mutex mutex_;
    std::condition_variable handed_;
    std::vector<Waiting> incoming_;
    std::size_t waiting_ = 0;  // handed over and not closed yet
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace vkt::server
