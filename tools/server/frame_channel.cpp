#include "server/frame_channel.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace vkt::server {

namespace {

// Waits until the socket is ready for events or the deadline passes: 1 ready, 0 time is up,
// -1 failed.
int WaitFor(int socket, short events, FrameChannel::Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - FrameChannel::Clock::now());
        if (left.count() <= 0) return 0;
        pollfd watch{socket, events, 0};
        // Rounded up, so that a wait never ends just before the deadline.
        const int ready = poll(
            &watch, 1, static_cast<int>(std::min<long long>(left.count() + 1, 60 * 60 * 1000)));
        if (ready > 0) return 1;
        if (ready < 0 && errno != EINTR) return -1;
    }
}

}  // namespace

FrameChannel::Clock::time_point FrameChannel::Deadline() const {
    return std::min(cap_, Clock::now() + std::chrono::seconds(idleSeconds_));
}

ReadResult FrameChannel::ReadExactly(std::uint8_t* buffer, std::size_t size,
                                     Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < size) {
        const int ready = WaitFor(socket_, POLLIN, deadline);
        if (ready < 0) return ReadResult::kError;
        if (ready == 0) return ReadResult::kIdle;
        const ssize_t got = recv(socket_, buffer + done, size - done, MSG_DONTWAIT);
        if (got == 0) return ReadResult::kClosed;
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return errno == ECONNRESET ? ReadResult::kClosed : ReadResult::kError;
        }
        done += static_cast<std::size_t>(got);
    }
    return ReadResult::kFrame;
}

ReadResult FrameChannel::Read(Frame* frame) {
    const Clock::time_point deadline = Deadline();
    std::uint8_t header[kFrameHeaderSize];
    ReadResult result = ReadExactly(header, sizeof header, deadline);
    if (result != ReadResult::kFrame) return result;
    std::size_t remaining = 0;
    if (!ParseFrameHeader(header, &remaining)) return ReadResult::kMalformed;
    std::vector<std::uint8_t> rest(remaining);
    result = ReadExactly(rest.data(), rest.size(), deadline);
    if (result != ReadResult::kFrame) return result;
    if (rest.back() != kEndMark) return ReadResult::kMalformed;
    frame->characteristic = static_cast<char>(header[1]);
    frame->type = static_cast<char>(header[2]);
    frame->data.assign(reinterpret_cast<const char*>(rest.data()), rest.size() - 1);
    return ReadResult::kFrame;
}

bool FrameChannel::Write(char characteristic, char type, const std::string& data) {
    writeTimedOut_ = false;
    std::string bytes;
    if (!BuildFrame(characteristic, type, data, &bytes)) return false;
    const Clock::time_point deadline = Deadline();
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent =
            send(socket_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) {
            done += static_cast<std::size_t>(sent);
            continue;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
        const int ready = WaitFor(socket_, POLLOUT, deadline);
        if (ready == 0) writeTimedOut_ = true;
        if (ready <= 0) return false;
    }
    return true;
}

}  // namespace vkt::server
