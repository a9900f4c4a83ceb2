#include "server/refusal_closer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace vkt::server {

namespace {

// Long enough for a client to read the report, short enough that refused clients stay cheap.
constexpr auto kLinger = std::chrono::seconds(1);
constexpr std::size_t kMaxWaiting = 256;
// How soon newly handed sockets join the wait while others are being drained.
constexpr int kPickUpMs = 50;

}  // namespace

RefusalCloser::RefusalCloser() : thread_([this] { Run(); }) {}

RefusalCloser::~RefusalCloser() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    handed_.notify_one();
    thread_.join();
}

void RefusalCloser::Hand(int socket) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!stopping_ && waiting_ < kMaxWaiting) {
            incoming_.push_back({socket, Clock::now() + kLinger});
            ++waiting_;
            socket = -1;
        }
    }
    if (socket >= 0) {
        close(socket);
        return;
    }
    handed_.notify_one();
}

void RefusalCloser::Run() {
    std::vector<Waiting> draining;
    std::vector<pollfd> watch;
    char sink[512];
    for (;;) {
        std::size_t closed = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (draining.empty())
                handed_.wait(lock, [this] { return stopping_ || !incoming_.empty(); });
            if (stopping_) {
                for (const Waiting& w : incoming_) close(w.socket);
                for (const Waiting& w : draining) close(w.socket);
                incoming_.clear();
                return;
            }
            draining.insert(draining.end(), incoming_.begin(), incoming_.end());
            incoming_.clear();
        }
        watch.clear();
        for (const Waiting& w : draining) watch.push_back({w.socket, POLLIN, 0});
        poll(watch.data(), watch.size(), kPickUpMs);
        const Clock::time_point now = Clock::now();
        std::size_t kept = 0;
        for (std::size_t i = 0; i < draining.size(); ++i) {
            bool done = now >= draining[i].deadline;
            if (!done && (watch[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                const ssize_t got = recv(draining[i].socket, sink, sizeof sink, MSG_DONTWAIT);
                done = got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR);
            }
            if (done) {
                close(draining[i].socket);
                ++closed;
            } else {
                draining[kept++] = draining[i];
            }
        }
        draining.resize(kept);
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_ -= closed;
    }
}

}  // namespace vkt::server
