#include "server/frame_channel.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <vector>

namespace vkt::server {

ReadResult FrameChannel::ReadExactly(std::uint8_t* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        pollfd watch{socket_, POLLIN, 0};
        const int ready = poll(&watch, 1, idleSeconds_ * 1000);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return ReadResult::kError;
        }
        if (ready == 0) return ReadResult::kIdle;
        const ssize_t got = recv(socket_, buffer + done, size - done, 0);
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
    std::uint8_t header[kFrameHeaderSize];
    ReadResult result = ReadExactly(header, sizeof header);
    if (result != ReadResult::kFrame) return result;
    std::size_t remaining = 0;
    if (!ParseFrameHeader(header, &remaining)) return ReadResult::kMalformed;
    std::vector<std::uint8_t> rest(remaining);
    result = ReadExactly(rest.data(), rest.size());
    if (result != ReadResult::kFrame) return result;
    if (rest.back() != kEndMark) return ReadResult::kMalformed;
    frame->characteristic = static_cast<char>(header[1]);
    frame->type = static_cast<char>(header[2]);
    frame->data.assign(reinterpret_cast<const char*>(rest.data()), rest.size() - 1);
    return ReadResult::kFrame;
}

bool FrameChannel::Write(char characteristic, char type, const std::string& data) {
    std::string bytes;
    if (!BuildFrame(characteristic, type, data, &bytes)) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = send(socket_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

}  // namespace vkt::server
