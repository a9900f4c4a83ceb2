// Frames: building, measuring, checking and taking apart (layout in frame.h).
#include "runtime/net/frame.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "runtime/status/status_code.h"

namespace vkt::runtime {

namespace {

// Smallest frame: the 8-byte header and the end mark (L = 1, no data).
constexpr std::uint32_t kMinFrame = kHeaderSize + 1;

// Decimal value of the first `limit` characters of text (stopping early at a NUL), read as
// atoi does: leading blanks, an optional sign, then digits up to the first non-digit; nothing
// readable gives 0. Saturates at the 32-bit range instead of overflowing.
std::int32_t DecimalPrefix(const char* text, std::size_t limit) {
    std::size_t i = 0;
    while (i < limit && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < limit && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < limit && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<std::int32_t>(value);
}

// Replaces *part with a copy of count bytes; records the failure in message on refusal.
void KeepPart(OutgoingMessage& message, std::unique_ptr<std::uint8_t[]>* part,
              std::uint32_t* partCount, const void* bytes, std::uint32_t count) {
    part->reset();
    *partCount = 0;
    if (count == 0) return;
    if (bytes == nullptr) {
        message.failure = kInvalidParameter;
        return;
    }
    if (count > kMaxFrameData) {
        message.failure = kBadLength;
        return;
    }
    part->reset(new (std::nothrow) std::uint8_t[count]);
    if (*part == nullptr) {
        message.failure = kNoMemory;
        return;
    }
    std::memcpy(part->get(), bytes, count);
    *partCount = count;
}

}  // namespace

void OutgoingMessage::Clear() {
    characteristic = 0;
    messageType = 0;
    data1.reset();
    data2.reset();
    count1 = count2 = 0;
    failure = 0;
}

void OutgoingMessage::SetData(const void* bytes, std::uint32_t count) {
    KeepPart(*this, &data1, &count1, bytes, count);
}

void OutgoingMessage::SetData2(const void* bytes, std::uint32_t count) {
    KeepPart(*this, &data2, &count2, bytes, count);
}

void IncomingMessage::Clear() {
    characteristic = 0;
    messageType = 0;
    data.reset();
    length = 0;
}

std::int32_t BuildFrame(const OutgoingMessage& message, std::unique_ptr<std::uint8_t[]>* frame,
                        std::uint32_t* length) {
    frame->reset();
    *length = 0;
    if (message.failure != 0) return message.failure;
    // The length field has four digits: at most 9,998 data bytes (L = 9,999).
    const std::uint64_t dataBytes = std::uint64_t{message.count1} + message.count2;
    if (dataBytes > kMaxFrameData) return kBadLength;
    const std::uint32_t l = static_cast<std::uint32_t>(dataBytes) + 1;

    char digits[16];
    std::snprintf(digits, sizeof digits, "%.4i", static_cast<int>(l));

    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[l + kHeaderSize + 1]());
    if (buffer == nullptr) return kNoMemory;
    std::uint8_t* const out = buffer.get();
    out[0] = kStartMark;
    out[1] = static_cast<std::uint8_t>(message.characteristic);
    out[2] = static_cast<std::uint8_t>(message.messageType);
    out[3] = ' ';
    std::memcpy(out + 4, digits, 4);
    if (message.count1 != 0) std::memcpy(out + kHeaderSize, message.data1.get(), message.count1);
    if (message.count2 != 0)
        std::memcpy(out + kHeaderSize + message.count1, message.data2.get(), message.count2);
    out[kHeaderSize + dataBytes] = kEndMark;  // offset L + 7; the zero behind it is not sent
    *frame = std::move(buffer);
    *length = l + kHeaderSize;
    return 0;
}

std::int32_t FrameTotalLength(const std::uint8_t* header) {
    // Exactly the four length characters, never what follows them.
    return DecimalPrefix(reinterpret_cast<const char*>(header) + 4, 4) +
           static_cast<std::int32_t>(kHeaderSize);
}

std::int32_t CheckFrame(const std::uint8_t* frame, std::uint32_t total) {
    // A total below 9 would put the end mark inside the header (or before the frame).
    if (frame == nullptr || total < kMinFrame) return kBadFrame;
    if (frame[0] != kStartMark || frame[total - 1] != kEndMark) return kBadFrame;
    return 0;
}

std::int32_t TakeIncoming(const std::uint8_t* frame, std::uint32_t total, IncomingMessage* in) {
    in->Clear();
    if (frame == nullptr || total < kMinFrame) return kBadFrame;
    const std::uint32_t n = total - kMinFrame;
    std::unique_ptr<std::uint8_t[]> data(new (std::nothrow) std::uint8_t[n + 1]);
    if (data == nullptr) return kNoMemory;
    std::memcpy(data.get(), frame + kHeaderSize, n);
    data[n] = 0;
    in->characteristic = static_cast<char>(frame[1]);
    in->messageType = static_cast<char>(frame[2]);
    in->data = std::move(data);
    in->length = n;
    return 0;
}

bool IsKeepAlive(const IncomingMessage& in) {
    return in.characteristic == '1' && in.messageType == '0';
}

void ParseLineParameters(const char* data, std::int32_t* lineRate, std::int32_t* blockSize) {
    constexpr std::int32_t kDefaultBlock = 8192;
    const char* comma = data != nullptr ? std::strchr(data, ',') : nullptr;
    if (comma == nullptr) {
        *lineRate = 0;
        *blockSize = kDefaultBlock;
        return;
    }
    *lineRate = DecimalPrefix(data, static_cast<std::size_t>(comma - data));
    const std::int32_t size = DecimalPrefix(comma + 1, std::strlen(comma + 1));
    *blockSize = (size >= 1 && size <= kDefaultBlock) ? size : kDefaultBlock;
}

}  // namespace vkt::runtime
