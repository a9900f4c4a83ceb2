// Connection::ReceiveFrame: reads exactly one frame. The 9 bytes of the header and a first
// data byte (or the end mark) come first; after them no read asks for more than the rest of
// the current frame, so a following frame stays in the socket for the next call.
//
// No more bytes can come once the peer has closed: an end of stream in the middle of a frame
// ends the receive at once instead of waiting out the time-out.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "platform/sockets.h"
#include "runtime/net/connection.h"
#include "runtime/net/socket_status.h"
#include "runtime/net/wait_clock.h"
#include "runtime/status/status_code.h"

namespace vkt::runtime {

namespace {

constexpr std::int32_t kFirstRead = kHeaderSize + 1;
constexpr std::int64_t kSleepSliceMs = 20;

}  // namespace

// Reads into buffer (which holds *have >= 1 bytes of the frame already) until *have reaches
// want, at most 8192 bytes per read. Nothing waiting for timeoutSeconds since the last data
// gives 40055; meanwhile it sleeps the time a block takes on the line (never past the
// time-out), or 2 ms, in slices, so that a close on another thread is noticed at once. The
// end of the stream gives 40064, or 40001 when the first byte is no start mark.
std::int32_t Connection::ReadUntil(int fd, std::uint8_t* buffer, std::int32_t want,
                                   std::int32_t* have, WaitClock::time_point* lastData) {
    while (*have < want) {
        const std::int32_t chunk = std::min(kMaxBlock, want - *have);
        std::int32_t error = 0;
        const int n = platform::ReceiveSome(fd, buffer + *have, chunk, &error);
        if (n > 0) {
            *have += static_cast<std::int32_t>(n);
            *lastData = WaitClock::now();
            continue;
        }
        if (n == 0) return buffer[0] == kStartMark ? kServerClosed : kBadFrame;
        if (error != platform::kWouldBlock) return SocketStatus(error);
        const std::int32_t timeout = timeoutSeconds_;
        if (StallExpired(*lastData, timeout)) return kTimeout;
        const std::int32_t rate = lineRate_;
        std::int64_t pause = rate > 0 ? std::int64_t{blockSize_} * 8000 / rate : 2;
        // A slow line must not hold the loop past its own time-out.
        pause = std::max<std::int64_t>(1, std::min(pause, MsUntilExpired(*lastData, timeout)));
        while (pause > 0 && socket_ == fd) {
            SleepMs(std::min(pause, kSleepSliceMs));
            pause -= kSleepSliceMs;
        }
    }
    return 0;
}

std::int32_t Connection::ReceiveFrame() {
    std::lock_guard reading(receiveLock_);
    return ReceiveLocked(socket_);
}

std::int32_t Connection::ReceiveFrameOf(std::uint32_t generation) {
    std::lock_guard reading(receiveLock_);
    // The socket before the generation: Connect publishes its socket after the generation.
    const int fd = socket_;
    if (Tag().generation != generation) return kNothingWaiting;
    return ReceiveLocked(fd);
}

std::int32_t Connection::ReceiveLocked(int fd) {
    if (connected_ == 0 || fd < 0) return SocketStatus(platform::kNotConnected);
    {
        std::lock_guard lock(mutex_);
        recvBuffer_.reset();
        recvLength_ = 0;
        incoming_.Clear();
    }
    // No read notification may be queued while the frame is taken apart; nothing turns the
    // watch back on during this call, so one switch-off covers every read below.
    DisableNotifications();

    WaitClock::time_point lastData = WaitClock::now();
    std::uint8_t header[kFirstRead];
    std::int32_t error = 0;
    const int first = platform::ReceiveSome(fd, header, kFirstRead, &error);
    if (first < 0) {
        if (error == platform::kWouldBlock) return kNothingWaiting;
        return SocketStatus(error);
    }
    if (first == 0)
        return SocketStatus(platform::kConnectionReset);  // the peer closed before a frame
    std::int32_t have = static_cast<std::int32_t>(first);
    lastData = WaitClock::now();
    if (const std::int32_t status = ReadUntil(fd, header, kFirstRead, &have, &lastData);
        status != 0)
        return status;

    const std::int32_t total = FrameTotalLength(header);
    if (total < 0) return kBadLength;
    // A length field of 0 or less leaves no room for the end mark behind the header.
    if (total < kFirstRead) return kBadFrame;

    std::unique_ptr<std::uint8_t[]> frame(new (std::nothrow)
                                              std::uint8_t[static_cast<std::size_t>(total) + 1]);
    if (frame == nullptr) return kNoMemory;
    std::memcpy(frame.get(), header, kFirstRead);
    if (const std::int32_t status = ReadUntil(fd, frame.get(), total, &have, &lastData);
        status != 0)
        return status;
    frame[total] = 0;
    const auto size = static_cast<std::uint32_t>(total);
    if (runtime::CheckFrame(frame.get(), size) != 0) return kBadFrame;

    std::lock_guard lock(mutex_);
    if (const std::int32_t status = TakeIncoming(frame.get(), size, &incoming_); status != 0) {
        return status;
    }
    if (IsKeepAlive(incoming_)) {
        // The server's keep-alive is consumed here and never reaches the protocol layer.
        incoming_.Clear();
        return kServerKeepAlive;
    }
    recvBuffer_ = std::move(frame);
    recvLength_ = total;
    return 0;
}

}  // namespace vkt::runtime
