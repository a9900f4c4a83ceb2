// A connection that takes over a socket already connected: it reads frames from it as from a
// socket of its own connect, closes it, and closes a socket it held before.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "connection_helpers.h"
#include "runtime/net/connection.h"
#include "runtime/status/status_code.h"
#include "scripted_peer.h"

namespace vkt::runtime {
namespace {

using test::IncomingData;
using test::WireFrame;

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

TEST(Adopt, ReadsFramesFromTheSocketAndClosesIt) {
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    Connection connection("", "", nullptr, 5);
    const std::uint32_t before = connection.Tag().generation;
    ASSERT_EQ(connection.Adopt(ends[0]), 0);
    EXPECT_TRUE(connection.IsConnected());
    EXPECT_NE(connection.Tag().generation, before);

    // A frame cut inside its header, then a keep-alive, then the end of the stream: the
    // blocking descriptor makes each receive wait for its bytes.
    const std::string frame = WireFrame('2', 'O', "Importe,8,N");
    std::thread peer([&] {
        ASSERT_EQ(::write(ends[1], frame.data(), 5), 5);
        ASSERT_EQ(::write(ends[1], frame.data() + 5, frame.size() - 5),
                  static_cast<ssize_t>(frame.size() - 5));
        const std::string keepAlive = WireFrame('1', '0', "");
        ASSERT_EQ(::write(ends[1], keepAlive.data(), keepAlive.size()),
                  static_cast<ssize_t>(keepAlive.size()));
        ::shutdown(ends[1], SHUT_WR);
    });
    EXPECT_EQ(connection.ReceiveFrame(), 0);
    EXPECT_EQ(IncomingData(connection), "Importe,8,N");
    EXPECT_EQ(connection.ReceiveFrame(), kServerKeepAlive);
    EXPECT_NE(connection.ReceiveFrame(), 0);  // the peer closed before a frame
    peer.join();

    connection.Close();
    EXPECT_FALSE(IsOpen(ends[0]));
    ::close(ends[1]);
}

TEST(Adopt, ReplacesTheSocketHeldBeforeAndRefusesNoDescriptor) {
    int first[2];
    int second[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, first), 0);
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, second), 0);
    {
        Connection connection("", "", nullptr, 5);
        ASSERT_EQ(connection.Adopt(first[0]), 0);
        ASSERT_EQ(connection.Adopt(second[0]), 0);
        EXPECT_FALSE(IsOpen(first[0]));
        EXPECT_EQ(connection.Socket(), second[0]);
        EXPECT_EQ(connection.Adopt(-1), kInvalidParameter);
        EXPECT_EQ(connection.Socket(), second[0]);  // nothing taken over, nothing given up
    }
    EXPECT_FALSE(IsOpen(second[0]));  // the destructor closes what it adopted
    ::close(first[1]);
    ::close(second[1]);
}

}  // namespace
}  // namespace vkt::runtime
