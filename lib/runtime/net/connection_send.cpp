// Connection::SendFrame: writes the built frame in pieces of at most blockSize bytes, pacing
// each piece to the line rate, and gives up after timeoutSeconds without progress.
#include <algorithm>
#include <memory>
#include <utility>

#include "runtime/net/connection.h"
#include "runtime/net/socket_status.h"
#include "runtime/net/wait_clock.h"
#include "runtime/status/status_code.h"

namespace vkt::runtime {

std::int32_t Connection::SendFrame() {
    // The frame leaves the connection before the first byte is sent, so the fields can be
    // refilled (or the connection closed) by another thread without touching this send.
    std::unique_ptr<std::uint8_t[]> frame;
    std::int32_t length = 0;
    {
        std::lock_guard lock(mutex_);
        frame = std::move(sendBuffer_);
        length = sendLength_;
        sendLength_ = 0;
        outgoing_.Clear();
    }
    return SendPaced(frame.get(), length);
}

std::int32_t Connection::SendPaced(const std::uint8_t* frame, std::int32_t length) {
    const int fd = socket_;
    if (connected_ == 0 || fd < 0) return SocketStatus(platform::kNotConnected);
    // No built frame (or a negative count) is a caller's fault, never an empty send.
    if (length <= 0 || frame == nullptr) return kInvalidParameter;

    WaitClock::time_point lastProgress = WaitClock::now();
    std::int32_t sent = 0;
    std::int32_t request = std::min<std::int32_t>(blockSize_, length);
    for (;;) {
        std::int32_t error = 0;
        const int n = platform::SendSome(fd, frame + sent, request, &error);
        if (n > 0) {
            sent += static_cast<std::int32_t>(n);
            if (sent == length) return 0;
            lastProgress = WaitClock::now();
            request = std::min<std::int32_t>(blockSize_, length - sent);
            // The time these bytes take on a line of lineRate bits per second.
            const std::int32_t rate = lineRate_;
            SleepMs(rate > 0 ? static_cast<std::int64_t>(n) * 8000 / rate : 2);
            continue;
        }
        if (n < 0) return SocketStatus(error);
        const bool wouldBlock = error == platform::kWouldBlock;
        if (StallExpired(lastProgress, timeoutSeconds_)) return kTimeout;
        SleepMs(wouldBlock ? 2 : 10);
    }
}

}  // namespace vkt::runtime
