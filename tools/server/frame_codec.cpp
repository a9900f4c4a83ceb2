#include "server/frame_codec.h"

#include <cstdio>

namespace vkt::server {

bool BuildFrame(char characteristic, char type, const std::string& data, std::string* bytes) {
    if (data.size() > kMaxFrameData) return false;
    char length[8];
    std::snprintf(length, sizeof length, "%.4zu", data.size() + 1);
    bytes->clear();
    bytes->reserve(data.size() + kFrameHeaderSize + 1);
    bytes->push_back(static_cast<char>(kStartMark));
    bytes->push_back(characteristic);
    bytes->push_back(type);
    bytes->push_back(' ');
    bytes->append(length, 4);
    bytes->append(data);
    bytes->push_back(static_cast<char>(kEndMark));
    return true;
}

bool ParseFrameHeader(const std::uint8_t* header, std::size_t* remaining) {
    if (header[0] != kStartMark) return false;
    std::size_t length = 0;
    for (std::size_t i = 4; i < 8; ++i) {
        if (header[i] < '0' || header[i] > '9') return false;
        length = length * 10 + (header[i] - '0');
    }
    // L = 0 would make the last length digit the end mark: no valid frame has it.
    if (length < 1) return false;
    *remaining = length;
    return true;
}

}  // namespace vkt::server
