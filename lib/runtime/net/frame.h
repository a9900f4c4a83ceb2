// Frames: what crosses the connection in both directions.
//
//   offset  width  content
//   0       1      start mark 0x01
//   1       1      characteristic ("1" session control, "2" operations)
//   2       1      message type
//   3       1      " "
//   4       4      L = data bytes + 1, ASCII decimal, zero-padded ("%.4i")
//   8       L - 1  data, any byte values
//   L + 7   1      end mark 0x04
// A frame is L + 8 bytes; the data holds at most 9,998 bytes.
#pragma once

#include <cstdint>
#include <memory>

namespace vkt::runtime {

constexpr std::uint8_t kStartMark = 0x01;
constexpr std::uint8_t kEndMark = 0x04;
constexpr std::uint32_t kHeaderSize = 8;
constexpr std::uint32_t kMaxFrameData = 9998;

// The outgoing message of a connection, from which the next frame is built. It owns copies of
// its data parts: it can be moved, never copied.
struct OutgoingMessage {
    char characteristic = 0;
    char messageType = 0;
    std::unique_ptr<std::uint8_t[]> data1;
    std::uint32_t count1 = 0;
    std::unique_ptr<std::uint8_t[]> data2;
    std::uint32_t count2 = 0;
    // Set when a data part could not be kept (40100 no memory, 40004 above 9,998 bytes, 40053
    // null bytes with a nonzero count); BuildFrame then fails with it. Cleared by Clear().
    std::int32_t failure = 0;

    void Clear();
    void SetData(const void* bytes, std::uint32_t count);  // null with 0 clears
    void SetData2(const void* bytes, std::uint32_t count);
};

// The incoming message taken from the last frame received; it owns its data (moved, never
// copied).
struct IncomingMessage {
    char characteristic = 0;
    char messageType = 0;
    std::unique_ptr<std::uint8_t[]> data;  // length bytes and a NUL
    std::uint32_t length = 0;

    void Clear();
    const std::uint8_t* Bytes() const { return data.get(); }
    const char* Text() const { return data ? reinterpret_cast<const char*>(data.get()) : ""; }
};

// Builds the frame of an outgoing message into a buffer of L + 9 bytes (the byte behind the
// end mark is 0 and not sent); *length = L + 8. 0, 40004 when the data exceed 9,998 bytes, or
// 40100 (then *frame is empty).
std::int32_t BuildFrame(const OutgoingMessage& message, std::unique_ptr<std::uint8_t[]>* frame,
                        std::uint32_t* length);
// Total frame length from the 8-byte header (atoi of bytes 4..7, plus 8); negative when the
// length digits give a negative total.
std::int32_t FrameTotalLength(const std::uint8_t* header);
// 0 when the frame holds at least the header and the end mark (total >= 9), byte 0 is the
// start mark and byte total - 1 the end mark; else 40001.
std::int32_t CheckFrame(const std::uint8_t* frame, std::uint32_t total);
// Fills an incoming message from a checked frame (total >= 9): 0, 40001 for a frame shorter
// than its header and end mark, or 40100.
std::int32_t TakeIncoming(const std::uint8_t* frame, std::uint32_t total, IncomingMessage* in);
bool IsKeepAlive(const IncomingMessage& in);  // characteristic "1", type "0"
// Line parameters "rate,size": rate as read; size 1..8192 kept, else 8192; no comma: 0, 8192.
// Numbers follow atoi (leading blanks, a sign, digits up to the first non-digit; unreadable is
// 0), saturated to the 32-bit range instead of overflowing.
void ParseLineParameters(const char* data, std::int32_t* lineRate, std::int32_t* blockSize);

}  // namespace vkt::runtime
