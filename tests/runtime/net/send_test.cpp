// Sending frames to a real peer: the bytes on the wire, pieces and pacing, a peer that does
// not read, a peer that has gone, and two threads sharing one connection.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <string>
#include <thread>

#include "connection_helpers.h"
#include "runtime/net/connection.h"
#include "scripted_peer.h"

namespace vkt::runtime {
namespace {

using test::ScriptedPeer;
using test::WireFrame;

std::int32_t Send(Connection& connection, char characteristic, char type, const std::string& data) {
    const char c[2] = {characteristic, 0};
    const char t[2] = {type, 0};
    connection.SetCharacteristic(c);
    connection.SetMessageType(t);
    connection.SetData(data.data(), static_cast<std::uint32_t>(data.size()));
    connection.SetData2(nullptr, 0);
    if (const std::int32_t status = connection.BuildFrame(); status != 0) return status;
    return connection.SendFrame();
}

TEST(Send, FramesArriveByteForByte) {
    ScriptedPeer peer({});
    Connection connection("127.0.0.1", peer.PortText().c_str(), nullptr, 5);
    ASSERT_EQ(connection.Connect(), 0);
    ASSERT_EQ(Send(connection, '1', '0', ""), 0);  // the keep-alive
    ASSERT_EQ(Send(connection, '1', '1', "usuario"), 0);
    const std::string block(9998, '\x04');
    connection.SetLineParameters(777, 0);  // pieces of 777 bytes
    ASSERT_EQ(Send(connection, '2', 'T', block), 0);
    // The send consumed the built frame: another send needs another build.
    EXPECT_EQ(connection.SendFrame(), 40053);
    connection.Close();
    EXPECT_EQ(peer.Received(), std::string("\x01"
                                           "10 0001\x04",
                                           9) +
                                   WireFrame('1', '1', "usuario") + WireFrame('2', 'T', block));
}

TEST(Send, OversizedDataIsRefusedBeforeTheWire) {
    ScriptedPeer peer({});
    Connection connection("127.0.0.1", peer.PortText().c_str(), nullptr, 5);
    ASSERT_EQ(connection.Connect(), 0);
    EXPECT_EQ(Send(connection, '2', 'T', std::string(9999, 'x')), 40004);
    EXPECT_EQ(connection.SendFrame(), 40053);
    connection.Close();
    EXPECT_EQ(peer.Received(), "");
}

// Each piece is followed by the time it takes on the line: 12 pieces of 500 bytes at 80,000
// bits per second sleep 11 x 50 ms; unpaced, 11 x 2 ms.
TEST(Send, PacingSlowsTheSend) {
    using Clock = std::chrono::steady_clock;
    const std::string data(5991, 'p');  // a frame of 6,000 bytes
    auto timed = [&](std::int32_t rate) {
        ScriptedPeer peer({});
        Connection connection("127.0.0.1", peer.PortText().c_str(), nullptr, 5);
        EXPECT_EQ(connection.Connect(), 0);
        connection.SetLineParameters(500, rate);
        const auto start = Clock::now();
        EXPECT_EQ(Send(connection, '2', 'T', data), 0);
        const auto elapsed = Clock::now() - start;
        connection.Close();
        EXPECT_EQ(peer.Received(), WireFrame('2', 'T', data));
        return std::chrono::duration<double, std::milli>(elapsed).count();
    };
    const double unpaced = timed(0);
    const double paced = timed(80000);
    EXPECT_GE(paced, 11 * 50);
    EXPECT_GT(paced, 2 * unpaced) << "paced " << paced << " ms, unpaced " << unpaced << " ms";
}

// A peer that reads nothing: once the socket buffers are full a send makes no progress, and
// with a time-out of 0 the first stall ends it.
TEST(Send, PeerThatDoesNotReadTimesOut) {
    test::PeerOptions options;
    options.receiveBuffer = 4096;
    ScriptedPeer peer({test::HoldWithoutReading()}, options);
    Connection connection("127.0.0.1", peer.PortText().c_str(), nullptr, 0);
    ASSERT_EQ(connection.Connect(), 0);
    const int small = 4096;
    ::setsockopt(connection.Socket(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    const std::string block(9998, 'b');
    std::int32_t status = 0;
    for (int i = 0; i < 2000 && status == 0; ++i) status = Send(connection, '2', 'T', block);
    EXPECT_EQ(status, 40055);
}

// Sending to a peer that has closed fails with a socket code; it never raises SIGPIPE.
TEST(Send, PeerGoneGivesAnErrorNotASignal) {
    ScriptedPeer peer({test::CloseConnection()});
    Connection connection("127.0.0.1", peer.PortText().c_str(), nullptr, 5);
    ASSERT_EQ(connection.Connect(), 0);
    ASSERT_EQ(test::ReceiveWhenReady(connection), 110054);  // the peer's close has arrived
    std::int32_t status = 0;
    for (int i = 0; i < 100 && status == 0; ++i) {
        status = Send(connection, '1', '0', "");
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(status == 110058 || status == 110054) << status;
}

// The caller's thread sends while another thread receives, as the exported operations and
// the event thread do; every frame comes back from an echoing peer intact and in order.
TEST(Send, OneThreadSendsWhileAnotherReceives) {
    ScriptedPeer peer({test::EchoUntilClosed()});
    Connection connection("127.0.0.1", peer.PortText().c_str(), nullptr, 5);
    ASSERT_EQ(connection.Connect(), 0);
    constexpr int kFrames = 200;
    std::thread receiver([&] {
        for (int i = 0; i < kFrames; ++i) {
            std::int32_t status;
            do {
                status = test::ReceiveWhenReady(connection);
            } while (status == 49999);
            ASSERT_EQ(status, 0) << i;
            ASSERT_EQ(test::IncomingData(connection), "frame " + std::to_string(i));
        }
    });
    for (int i = 0; i < kFrames; ++i)
        ASSERT_EQ(Send(connection, '2', 'T', "frame " + std::to_string(i)), 0);
    receiver.join();
    connection.Close();
}

}  // namespace
}  // namespace vkt::runtime
