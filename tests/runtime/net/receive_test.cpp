// Receiving frames from a real peer: reassembly, frame boundaries, keep-alives, malformed
// frames, stalls, closes, and the line parameters taken from a received frame.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>

#include <cctype>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "connection_helpers.h"
#include "runtime/net/connection.h"
#include "scripted_peer.h"

namespace vkt::runtime {
namespace {

using test::CloseConnection;
using test::IncomingData;
using test::Pause;
using test::ReceiveWhenReady;
using test::ScriptedPeer;
using test::SendBytes;
using test::WireFrame;

struct Expected {
    Expected(std::int32_t code) : status(code) {}  // a failure or a notice: no frame
    Expected(std::int32_t code, char c, char t, std::string d)
        : status(code), characteristic(c), type(t), data(std::move(d)) {}
    std::int32_t status;
    char characteristic = 0;
    char type = 0;
    std::string data;
};

struct ReceiveCase {
    const char* name;
    std::string wire;
    std::size_t piece;  // bytes per write of the peer; 0: one write
    std::vector<Expected> receives;
};

std::string Bytes(const char* text, std::size_t size) {
    return std::string(text, size);
}

const std::string kLargest(9998, 'z');  // larger than one 8192-byte read

const ReceiveCase kCases[] = {
    {"one byte per write", WireFrame('2', 'O', "hola"), 1, {{0, '2', 'O', "hola"}}},
    {"two frames in one write",
     WireFrame('2', 'T', "abc") + WireFrame('4', '9', "40029-Usuario bloqueado"),
     0,
     {{0, '2', 'T', "abc"}, {0, '4', '9', "40029-Usuario bloqueado"}}},
    {"keep-alive then a frame",
     WireFrame('1', '0', "") + WireFrame('2', 'H', "00ff"),
     0,
     {{49998}, {0, '2', 'H', "00ff"}}},
    {"keep-alive with data is still a keep-alive", WireFrame('1', '0', "ping"), 0, {{49998}}},
    {"data holding mark bytes",
     WireFrame('2', 'T', Bytes("\x01\x04\x00\x04\x01", 5)),
     0,
     {{0, '2', 'T', Bytes("\x01\x04\x00\x04\x01", 5)}}},
    {"empty data", WireFrame('1', 'Z', ""), 0, {{0, '1', 'Z', ""}}},
    {"largest frame in small writes",
     WireFrame('2', 'T', kLargest),
     1000,
     {{0, '2', 'T', kLargest}}},
    {"bad start mark", "\x02" + WireFrame('2', 'T', "abc").substr(1), 0, {{40001}}},
    {"bad end mark", WireFrame('2', 'T', "abc").substr(0, 11) + "\x05", 0, {{40001}}},
    // The last byte of a "0000" frame would be a length digit.
    {"length 0000",
     Bytes("\x01"
           "2T 0000"
           "\x04",
           9),
     0,
     {{40001}}},
    {"negative length",
     Bytes("\x01"
           "2T -100"
           "\x04",
           9),
     0,
     {{40004}}},
    // Total 2: a bare end-mark test would read byte 1 (0x04 here) and take -7 data bytes.
    {"length below the header", Bytes("\x01\x04\x04 -006\x04", 9), 0, {{40001}}},
};

class ReceiveCases : public ::testing::TestWithParam<ReceiveCase> {};

TEST_P(ReceiveCases, PeerSendsTheWireBytes) {
    const ReceiveCase& c = GetParam();
    ScriptedPeer peer({SendBytes(c.wire, c.piece, c.piece == 1 ? 1 : 0)});
    Connection connection("127.0.0.1", peer.PortText().c_str(), nullptr, 5);
    ASSERT_EQ(connection.Connect(), 0);
    for (const Expected& e : c.receives) {
        ASSERT_EQ(ReceiveWhenReady(connection), e.status);
        const auto& in = connection.Incoming();
        if (e.status != 0) {
            // Failures and keep-alives leave no incoming frame behind.
            EXPECT_EQ(in.data, nullptr);
            EXPECT_EQ(in.characteristic, 0);
            continue;
        }
        EXPECT_EQ(in.characteristic, e.characteristic);
        EXPECT_EQ(in.messageType, e.type);
        EXPECT_EQ(IncomingData(connection), e.data);
        EXPECT_EQ(in.data[in.length], 0);
    }
    // Each receive took exactly its own frame: nothing is left over.
    EXPECT_EQ(connection.HasData(), 0);
}

std::string CaseName(const ::testing::TestParamInfo<ReceiveCase>& param) {
    std::string name;
    for (const char* p = param.param.name; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Wire, ReceiveCases, ::testing::ValuesIn(kCases), CaseName);

TEST(Receive, NothingWaitingAndPeerClosedBeforeAFrame) {
    ScriptedPeer peer({Pause(300), CloseConnection()});
    Connection connection("127.0.0.1", peer.PortText().c_str(), nullptr, 5);
    ASSERT_EQ(connection.Connect(), 0);
    EXPECT_EQ(connection.HasData(), 0);
    EXPECT_EQ(connection.ReceiveFrame(), 49999);
    EXPECT_EQ(ReceiveWhenReady(connection), 110054);
    EXPECT_EQ(connection.Incoming().data, nullptr);
}

// A peer that stops in the middle of a frame: 40055 once timeoutSeconds have passed without
// data; a time-out of 0 fails at the first stall. On a very slow line the wait
// between reads (a block's time on the line: 8192 bytes at 1 bit per second is 18 hours) is
// cut short by the time-out.
TEST(Receive, StallInsideAFrame) {
    using Clock = std::chrono::steady_clock;
    const std::string frame = WireFrame('2', 'T', "abcdefgh");
    struct Case {
        const char* name;
        test::PeerStep after;
        std::int32_t timeout;
        std::int32_t lineRate = 0;
    };
    const Case cases[] = {
        {"peer stalls", test::HoldWithoutReading(), 1},
        {"no time-out", test::HoldWithoutReading(), 0},
        {"very slow line", test::HoldWithoutReading(), 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer peer({SendBytes(frame.substr(0, 12)), c.after});
        Connection connection("127.0.0.1", peer.PortText().c_str(), nullptr, c.timeout);
        ASSERT_EQ(connection.Connect(), 0);
        connection.SetLineParameters(8192, c.lineRate);
        const auto start = Clock::now();
        EXPECT_EQ(ReceiveWhenReady(connection), 40055);
        const auto elapsed = Clock::now() - start;
        EXPECT_GE(elapsed, std::chrono::seconds(c.timeout));
        EXPECT_LT(elapsed, std::chrono::seconds(c.timeout + 10));
        EXPECT_EQ(connection.Incoming().data, nullptr);
        connection.Close();
    }
}

// A peer that closes in the middle of a frame: no more bytes can come, so the receive ends at
// once with the close code (40001 when the bytes in cannot start a frame), long before the
// time-out, and keeps no partial frame. The time-out is long enough that a receive waiting
// for it would fail the test's own bounded wait.
TEST(Receive, CloseInsideAFrameEndsTheReceiveAtOnce) {
    const std::string frame = WireFrame('2', 'T', "abcdefgh");
    struct Case {
        const char* name;
        std::string sent;
        std::int32_t status;
    };
    const Case cases[] = {
        {"inside the header", frame.substr(0, 5), 40064},
        {"inside the data", frame.substr(0, 12), 40064},
        {"before the end mark", frame.substr(0, frame.size() - 1), 40064},
        {"no start mark", "X" + frame.substr(1, 6), 40001},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer peer({SendBytes(c.sent), CloseConnection()});
        Connection connection("127.0.0.1", peer.PortText().c_str(), nullptr, 60);
        ASSERT_EQ(connection.Connect(), 0);
        auto receive = std::async(std::launch::async, [&] { return ReceiveWhenReady(connection); });
        ASSERT_EQ(receive.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        EXPECT_EQ(receive.get(), c.status);
        EXPECT_EQ(connection.Incoming().data, nullptr);
        connection.Close();
    }
}

// Close on another thread ends a receive that waits for the rest of a frame, and frees the
// descriptor only after the receive has let go of it.
TEST(Receive, CloseOnAnotherThreadEndsAWaitingReceive) {
    const std::string frame = WireFrame('2', 'T', "abcdefgh");
    ScriptedPeer peer({SendBytes(frame.substr(0, 12)), test::HoldWithoutReading()});
    Connection connection("127.0.0.1", peer.PortText().c_str(), nullptr, 60);
    ASSERT_EQ(connection.Connect(), 0);
    const int fd = connection.Socket();
    pollfd entry{fd, POLLIN, 0};
    ASSERT_EQ(::poll(&entry, 1, 10000), 1);
    auto receive = std::async(std::launch::async, [&] { return connection.ReceiveFrame(); });
    // The receive has taken every byte there is and waits for the rest of the frame.
    int unread = 1;
    for (int waited = 0; waited < 10000 && unread != 0; waited += 2) {
        if (::ioctl(fd, FIONREAD, &unread) != 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(unread, 0);
    EXPECT_EQ(receive.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    connection.Close();
    ASSERT_EQ(receive.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(receive.get(), 40064);
    EXPECT_FALSE(connection.IsConnected());
}

// A receive for a generation that has ended reads nothing; the connection's own generation
// is read as usual. Each connect starts a new generation with no session bound.
TEST(Receive, OnlyTheConnectionsOwnGenerationIsRead) {
    ScriptedPeer peer({SendBytes(WireFrame('2', 'O', "hola"))});
    Connection connection("127.0.0.1", peer.PortText().c_str(), nullptr, 5);
    const ConnectionTag before = connection.Tag();
    ASSERT_EQ(connection.Connect(), 0);
    connection.BindSession(4560);
    const ConnectionTag tag = connection.Tag();
    EXPECT_NE(tag.generation, before.generation);
    EXPECT_EQ(tag.sessionId, 4560);
    pollfd entry{connection.Socket(), POLLIN, 0};
    ASSERT_EQ(::poll(&entry, 1, 5000), 1);
    EXPECT_EQ(connection.ReceiveFrameOf(tag.generation - 1), 49999);
    EXPECT_EQ(connection.ReceiveFrameOf(tag.generation), 0);
    EXPECT_EQ(IncomingData(connection), "hola");
    connection.Close();
    EXPECT_NE(connection.Tag().generation, tag.generation);
    EXPECT_EQ(connection.Tag().sessionId, 0);
}

// A frame that arrives in pieces with pauses shorter than the time-out is reassembled.
TEST(Receive, PausesShorterThanTheTimeOutAreWaitedFor) {
    const std::string frame = WireFrame('2', 'T', "abcdefgh");
    ScriptedPeer peer({SendBytes(frame.substr(0, 5)), Pause(300), SendBytes(frame.substr(5, 6)),
                       Pause(300), SendBytes(frame.substr(11))});
    Connection connection("127.0.0.1", peer.PortText().c_str(), nullptr, 1);
    ASSERT_EQ(connection.Connect(), 0);
    ASSERT_EQ(ReceiveWhenReady(connection), 0);
    EXPECT_EQ(IncomingData(connection), "abcdefgh");
}

TEST(Receive, LineParametersFromTheIncomingData) {
    ScriptedPeer peer({SendBytes(WireFrame('4', 'L', "9600,1024") + WireFrame('4', 'L', "x"))});
    Connection connection("127.0.0.1", peer.PortText().c_str(), nullptr, 5);
    ASSERT_EQ(connection.Connect(), 0);
    ASSERT_EQ(ReceiveWhenReady(connection), 0);
    EXPECT_EQ(connection.ParseLineParameters(), 0);
    EXPECT_EQ(connection.LineRate(), 9600);
    EXPECT_EQ(connection.BlockSize(), 1024);
    ASSERT_EQ(ReceiveWhenReady(connection), 0);
    EXPECT_EQ(connection.ParseLineParameters(), 0);
    EXPECT_EQ(connection.LineRate(), 0);
    EXPECT_EQ(connection.BlockSize(), 8192);
}

}  // namespace
}  // namespace vkt::runtime
