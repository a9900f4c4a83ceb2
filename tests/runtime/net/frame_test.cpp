// Frames built, measured, checked and taken apart without a socket.
#include "runtime/net/frame.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>

#include "scripted_peer.h"

namespace vkt::runtime {
namespace {

using vkt::test::WireFrame;

// Messages own their bytes: a copy would share (and free twice) what a move hands over.
static_assert(!std::is_copy_constructible_v<OutgoingMessage> &&
              !std::is_copy_assignable_v<OutgoingMessage>);
static_assert(!std::is_copy_constructible_v<IncomingMessage> &&
              !std::is_copy_assignable_v<IncomingMessage>);
static_assert(std::is_nothrow_move_constructible_v<OutgoingMessage> &&
              std::is_nothrow_move_constructible_v<IncomingMessage>);

std::string Build(char characteristic, char type, const std::string& part1,
                  const std::string& part2, std::int32_t* status) {
    OutgoingMessage message;
    message.characteristic = characteristic;
    message.messageType = type;
    message.SetData(part1.data(), static_cast<std::uint32_t>(part1.size()));
    message.SetData2(part2.data(), static_cast<std::uint32_t>(part2.size()));
    std::unique_ptr<std::uint8_t[]> frame;
    std::uint32_t length = 0;
    *status = BuildFrame(message, &frame, &length);
    if (*status != 0) {
        EXPECT_EQ(frame, nullptr);
        return {};
    }
    EXPECT_EQ(frame[length], 0) << "the byte behind the end mark";
    return std::string(reinterpret_cast<const char*>(frame.get()), length);
}

TEST(BuildFrame, KeepAliveAndEmptyDataAreNineBytes) {
    std::int32_t status = -1;
    EXPECT_EQ(Build('1', '0', "", "", &status), std::string("\x01"
                                                            "10 0001\x04",
                                                            9));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Build('1', 'Z', "", "", &status), std::string("\x01"
                                                            "1Z 0001\x04",
                                                            9));
    EXPECT_EQ(status, 0);
}

TEST(BuildFrame, SecondPartFollowsTheFirst) {
    std::int32_t status = -1;
    EXPECT_EQ(Build('2', 'F', "abc", "de", &status), WireFrame('2', 'F', "abcde"));
    EXPECT_EQ(status, 0);
}

TEST(BuildFrame, DataCarriesMarkBytesUnchanged) {
    const std::string data("\x01\x04\x00\x04\x01", 5);
    std::int32_t status = -1;
    EXPECT_EQ(Build('2', 'T', data, "", &status), WireFrame('2', 'T', data));
    EXPECT_EQ(status, 0);
}

// The length field has four digits: 9,998 data bytes are the most a frame can carry.
TEST(BuildFrame, DataLimitIsTheFourDigitLength) {
    std::int32_t status = -1;
    const std::string largest = Build('2', 'T', std::string(9998, 'x'), "", &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(largest.size(), 10007u);
    EXPECT_EQ(largest.substr(4, 4), "9999");
    EXPECT_EQ(largest.back(), '\x04');

    Build('2', 'T', std::string(9999, 'x'), "", &status);
    EXPECT_EQ(status, 40004);
    Build('2', 'T', std::string(5000, 'x'), std::string(4999, 'y'), &status);
    EXPECT_EQ(status, 40004);
    Build('2', 'T', std::string(10000, 'x'), "", &status);
    EXPECT_EQ(status, 40004);
}

TEST(BuildFrame, DataWithoutBytesIsRefused) {
    OutgoingMessage message;
    message.characteristic = '2';
    message.messageType = 'F';
    message.SetData(nullptr, 12);
    std::unique_ptr<std::uint8_t[]> frame;
    std::uint32_t length = 0;
    EXPECT_EQ(BuildFrame(message, &frame, &length), 40053);
    EXPECT_EQ(frame, nullptr);
    message.Clear();
    EXPECT_EQ(BuildFrame(message, &frame, &length), 0);
}

TEST(FrameTotalLength, ReadsExactlyTheFourDigitsAsAtoi) {
    struct Case {
        const char* header;
        std::int32_t total;
    };
    const Case cases[] = {
        {"\x01"
         "10 0001"
         "9",
         9},  // the byte after the digits is not read
        {"\x01"
         "2T 9999",
         10007},
        {"\x01"
         "2T 0000",
         8},
        {"\x01"
         "2T  012",
         20},  // leading blanks
        {"\x01"
         "2T +003",
         11},
        {"\x01"
         "2T 12ab",
         20},  // stops at the first non-digit
        {"\x01"
         "2T abcd",
         8},  // unreadable is 0
        {"\x01"
         "2T -100",
         -92},
        {"\x01"
         "2T -008",
         0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FrameTotalLength(reinterpret_cast<const std::uint8_t*>(c.header)), c.total)
            << c.header + 4;
    }
}

TEST(CheckFrame, OnlyTheFirstAndLastBytesAreMarks) {
    const std::string good = WireFrame('2', 'T', std::string("\x04\x01", 2));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(good.data());
    EXPECT_EQ(CheckFrame(bytes, static_cast<std::uint32_t>(good.size())), 0);

    std::string badStart = good;
    badStart[0] = '\x02';
    EXPECT_EQ(CheckFrame(reinterpret_cast<const std::uint8_t*>(badStart.data()),
                         static_cast<std::uint32_t>(badStart.size())),
              40001);
    std::string badEnd = good;
    badEnd.back() = '\x05';
    EXPECT_EQ(CheckFrame(reinterpret_cast<const std::uint8_t*>(badEnd.data()),
                         static_cast<std::uint32_t>(badEnd.size())),
              40001);
    // A total shorter than header plus end mark is never a frame, whatever byte sits there:
    // here byte 1 is 0x04, which a bare end-mark test would accept.
    const std::string shortFrame("\x01\x04\x04 -006", 8);
    for (std::uint32_t total = 0; total < 9; ++total)
        EXPECT_EQ(CheckFrame(reinterpret_cast<const std::uint8_t*>(shortFrame.data()), total),
                  40001)
            << total;
}

TEST(TakeIncoming, CopiesDataAndTerminatesIt) {
    const std::string wire = WireFrame('2', 'H',
                                       std::string("ab\x00"
                                                   "cd",
                                                   5));
    IncomingMessage in;
    ASSERT_EQ(TakeIncoming(reinterpret_cast<const std::uint8_t*>(wire.data()),
                           static_cast<std::uint32_t>(wire.size()), &in),
              0);
    EXPECT_EQ(in.characteristic, '2');
    EXPECT_EQ(in.messageType, 'H');
    ASSERT_EQ(in.length, 5u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(in.Bytes()), 5), std::string("ab\x00"
                                                                                     "cd",
                                                                                     5));
    EXPECT_EQ(in.data[5], 0);
    EXPECT_FALSE(IsKeepAlive(in));

    const std::string keepAlive = WireFrame('1', '0', "");
    ASSERT_EQ(TakeIncoming(reinterpret_cast<const std::uint8_t*>(keepAlive.data()), 9, &in), 0);
    EXPECT_TRUE(IsKeepAlive(in));
    EXPECT_EQ(in.length, 0u);
    EXPECT_STREQ(in.Text(), "");
}

TEST(ParseLineParameters, RateCommaBlockSize) {
    struct Case {
        const char* text;
        std::int32_t rate;
        std::int32_t block;
    };
    const Case cases[] = {
        {"9600,1024", 9600, 1024},
        {"0,0", 0, 8192},
        {"x", 0, 8192},
        {"20000", 0, 8192},  // no comma: no pacing, largest block
        {"9600,20000", 9600, 8192},
        {"9600,8192", 9600, 8192},
        {"9600,1", 9600, 1},
        {"9600,-5", 9600, 8192},
        {"x,y", 0, 8192},
        {"1200bps,512 bytes", 1200, 512},  // stops at the first non-digit
        {" 300, 64", 300, 64},
        {"99999999999,100", 2147483647, 100},  // saturates, never overflows
        {"", 0, 8192},
    };
    for (const Case& c : cases) {
        std::int32_t rate = -1;
        std::int32_t block = -1;
        ParseLineParameters(c.text, &rate, &block);
        EXPECT_EQ(rate, c.rate) << c.text;
        EXPECT_EQ(block, c.block) << c.text;
    }
}

}  // namespace
}  // namespace vkt::runtime
