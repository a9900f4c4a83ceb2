// Frames over one connected TCP socket. Every wait for the peer is bounded by the idle time.
#pragma once

#include <string>

#include "server/frame_codec.h"

namespace vkt::server {

enum class ReadResult { kFrame, kClosed, kIdle, kMalformed, kError };

class FrameChannel {
  public:
    FrameChannel(int socket, int idleSeconds) : socket_(socket), idleSeconds_(idleSeconds) {}

    // Waits for one whole frame; kIdle when the peer stays silent for the idle time.
    ReadResult Read(Frame* frame);
    // Writes one frame whole; false when the frame is too large or the peer is gone.
    bool Write(char characteristic, char type, const std::string& data);

  private:
    ReadResult ReadExactly(std::uint8_t* buffer, std::size_t size);

    int socket_;
    int idleSeconds_;
};

}  // namespace vkt::server
