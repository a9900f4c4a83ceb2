// Frames as they cross the wire in both directions:
//
//   offset  size  content
//   0       1     0x01 start mark
//   1       1     characteristic (ASCII)
//   2       1     message type (ASCII)
//   3       1     " "
//   4       4     L, ASCII decimal, zero-padded: data bytes + 1
//   8       L-1   data (any bytes)
//   L+7     1     0x04 end mark
//
// The data field holds at most kMaxFrameData bytes (the length keeps four digits).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vkt::server {

constexpr std::size_t kFrameHeaderSize = 8;
constexpr std::size_t kMaxFrameData = 9998;
constexpr std::uint8_t kStartMark = 0x01;
constexpr std::uint8_t kEndMark = 0x04;

struct Frame {
    char characteristic = 0;
    char type = 0;
    std::string data;
};

// The bytes of a frame; false when the data does not fit the length field.
bool BuildFrame(char characteristic, char type, const std::string& data, std::string* bytes);

// Reads the header: start mark and four decimal digits giving L >= 1 (the characteristic,
// type and separator are not judged here). Sets the
// number of bytes that follow the header (L: data and end mark); false on a malformed header.
bool ParseFrameHeader(const std::uint8_t* header, std::size_t* remaining);

}  // namespace vkt::server
