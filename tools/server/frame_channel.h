// Frames over one connected TCP socket. Every wait for the peer is bounded: a frame must arrive
// whole, and one written must leave whole, within the idle time (or by the cap, when set).
#pragma once

#include <chrono>
#include <string>

#include "server/frame_codec.h"

namespace vkt::server {

enum class ReadResult { kFrame, kClosed, kIdle, kMalformed, kError };

class FrameChannel {
  public:
    using Clock = std::chrono::steady_clock;

    FrameChannel(int socket, int idleSeconds) : socket_(socket), idleSeconds_(idleSeconds) {}

    // Waits for one whole frame; kIdle when it has not arrived whole within the idle time,
    // however the peer trickles its bytes.
    ReadResult Read(Frame* frame);
    // Writes one frame whole; false when the frame is too large, the peer is gone or the frame
    // cannot leave within the idle time (the peer does not read).
    bool Write(char characteristic, char type, const std::string& data);
    // No later wait, read or write, lasts past cap; Uncap lifts it.
    void Cap(Clock::time_point cap) { cap_ = cap; }
    void Uncap() { cap_ = Clock::time_point::max(); }
    // True when the last failed Write ran out of time.
    bool writeTimedOut() const { return writeTimedOut_; }

  private:
    Clock::time_point Deadline() const;
    ReadResult ReadExactly(std::uint8_t* buffer, std::size_t size, Clock::time_point deadline);

    int socket_;
    int idleSeconds_;
    Clock::time_point cap_ = Clock::time_point::max();
    bool writeTimedOut_ = false;
};

}  // namespace vkt::server
