// Connecting: by dotted address, by name, by service name and by port; resolution and
// connect failures; the socket's modes; notifications; nothing left behind on failure.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "connection_helpers.h"
#include "runtime/net/connection.h"
#include "scripted_peer.h"

namespace vkt::runtime {
namespace {

using test::OpenDescriptorCount;
using test::PeerOptions;
using test::ReceiveWhenReady;
using test::ScriptedPeer;
using test::SendBytes;
using test::WireFrame;

// The connection reaches this very peer: the frame it sends arrives.
void ExpectConnectedTo(Connection& connection) {
    ASSERT_TRUE(connection.IsConnected());
    ASSERT_EQ(ReceiveWhenReady(connection), 0);
    EXPECT_EQ(test::IncomingData(connection), "hola");
}

TEST(Connect, ByDottedAddressAndByName) {
    for (const char* host : {"127.0.0.1", "localhost"}) {
        SCOPED_TRACE(host);
        ScriptedPeer peer({SendBytes(WireFrame('2', 'O', "hola"))});
        ASSERT_TRUE(peer.Listening());
        Connection connection(host, peer.PortText().c_str(), nullptr, 5);
        ASSERT_EQ(connection.Connect(), 0);
        ExpectConnectedTo(connection);

        const int fd = connection.Socket();
        EXPECT_NE(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
        EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
        // Small frames leave at once, not after the acknowledgement of the previous one.
        int noDelay = 0;
        socklen_t size = sizeof noDelay;
        ASSERT_EQ(::getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, &size), 0);
        EXPECT_NE(noDelay, 0);
    }
}

// An IPv6 address, as given, reaches a peer on the IPv6 loopback with the same socket modes.
TEST(Connect, ByIpv6Address) {
    ScriptedPeer peer({SendBytes(WireFrame('2', 'O', "hola"))}, PeerOptions{"::1", 0, 0});
    if (!peer.Listening()) GTEST_SKIP() << "no IPv6 loopback: " << strerror(peer.ListenError());
    Connection connection("::1", peer.PortText().c_str(), nullptr, 5);
    ASSERT_EQ(connection.Connect(), 0);
    ExpectConnectedTo(connection);
    sockaddr_storage reached{};
    socklen_t size = sizeof reached;
    ASSERT_EQ(::getpeername(connection.Socket(), reinterpret_cast<sockaddr*>(&reached), &size), 0);
    EXPECT_EQ(reached.ss_family, AF_INET6);
    int noDelay = 0;
    size = sizeof noDelay;
    ASSERT_EQ(::getsockopt(connection.Socket(), IPPROTO_TCP, TCP_NODELAY, &noDelay, &size), 0);
    EXPECT_NE(noDelay, 0);
}

// "echo" is TCP port 7 in the services database. The peer listens on an address of the
// loopback network that no one else uses, so port 7 is free there (binding it needs root).
TEST(Connect, ByServiceName) {
    servent* entry = ::getservbyname("echo", "tcp");
    if (entry == nullptr) GTEST_SKIP() << "no \"echo\" in the services database";
    const unsigned pid = static_cast<unsigned>(::getpid());
    const std::string address =
        "127." + std::to_string(100 + pid % 100) + "." + std::to_string(pid / 100 % 250 + 1) + ".7";
    ScriptedPeer peer(
        {SendBytes(WireFrame('2', 'O', "hola"))},
        PeerOptions{address.c_str(), ntohs(static_cast<std::uint16_t>(entry->s_port)), 0});
    if (!peer.Listening())
        GTEST_SKIP() << "cannot listen on port 7: " << strerror(peer.ListenError());
    Connection connection(address.c_str(), "echo", nullptr, 5);
    ASSERT_EQ(connection.Connect(), 0);
    ExpectConnectedTo(connection);
}

// A port number may come with blanks (spaces, tabs) before and after it, as typed into a
// configuration; the connection then reaches that port.
TEST(Connect, PortNumbersWithBlanksAroundThem) {
    for (const char* shape : {" %s", "%s ", "\t%s", "%s\t", "  %s \t"}) {
        ScriptedPeer peer({SendBytes(WireFrame('2', 'O', "hola"))});
        ASSERT_TRUE(peer.Listening());
        char service[32];
        std::snprintf(service, sizeof service, shape, peer.PortText().c_str());
        SCOPED_TRACE("\"" + std::string(service) + "\"");
        Connection connection("127.0.0.1", service, nullptr, 5);
        ASSERT_EQ(connection.Connect(), 0);
        ExpectConnectedTo(connection);
    }
}

TEST(Connect, FailuresReturnTheirCodeAndLeaveNothingOpen) {
    // A bound socket that does not listen: connecting to its port is refused, and the port
    // cannot be taken by anyone else while the test runs.
    const int bound = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(bound, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t size = sizeof address;
    ::getsockname(bound, reinterpret_cast<sockaddr*>(&address), &size);
    const std::string refusedPort = std::to_string(ntohs(address.sin_port));

    struct Case {
        const char* host;
        std::string service;
        std::int32_t status;
    };
    const Case cases[] = {
        {"127.0.0.1", refusedPort, 110061},
        {"localhost", refusedPort, 110061},
        {"vkt-nohost.invalid", refusedPort, 111001},   // reserved: never resolves
        {"127.0.0.1", "vkt-no-such-service", 111004},  // neither a name nor a number
        {"127.0.0.1", "0", 111004},
        {"127.0.0.1", "", 111004},
        {"127.0.0.1", "70000", 111004},  // beyond the port range
        {"127.0.0.1", "80x", 111004},
        // Blanks only around the digits, and nothing else around them.
        {"127.0.0.1", " ", 111004},
        {"127.0.0.1", " 0 ", 111004},
        {"127.0.0.1", refusedPort.substr(0, 1) + " " + refusedPort.substr(1), 111004},
        {"127.0.0.1", refusedPort + "\n", 111004},
        {"127.0.0.1", "+" + refusedPort, 111004},
        {"999.0.0.1", refusedPort, 110049},  // not a dotted address
        {"1::2::3", refusedPort, 110049},    // not an IPv6 address
        {"::1::", refusedPort, 110049},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.host) + " / " + c.service);
        const int before = OpenDescriptorCount();
        test::RecordingWindow window;
        Connection connection(c.host, c.service.c_str(), &window, 5);
        EXPECT_EQ(connection.Connect(), c.status);
        EXPECT_FALSE(connection.IsConnected());
        EXPECT_EQ(connection.Socket(), -1);
        EXPECT_TRUE(window.Calls().empty());
        EXPECT_EQ(OpenDescriptorCount(), before);
    }
    ::close(bound);
}

// Connect turns notifications on; a receive turns them off before reading; close stops them.
TEST(Connect, NotificationsFollowTheSocket) {
    ScriptedPeer peer({SendBytes(WireFrame('2', 'O', "hola"))});
    test::RecordingWindow window;
    Connection connection("127.0.0.1", peer.PortText().c_str(), &window, 5);
    ASSERT_EQ(connection.Connect(), 0);
    const int fd = connection.Socket();
    ASSERT_EQ(window.Calls(), (std::vector<std::pair<int, bool>>{{fd, true}}));
    ExpectConnectedTo(connection);
    ASSERT_EQ(window.Calls().size(), 2u);
    EXPECT_EQ(window.Calls()[1], std::make_pair(fd, false));
    ASSERT_TRUE(connection.EnableNotifications());
    connection.Close();
    EXPECT_EQ(window.Calls().back(), std::make_pair(fd, false));
    EXPECT_FALSE(connection.EnableNotifications());
}

// Connect(kLater) leaves the socket unwatched until its caller asks: the connect operation
// watches it only once the reply is awaited, so nothing the server sends first is read early.
TEST(Connect, LaterWatchLeavesTheSocketToTheCaller) {
    ScriptedPeer peer({SendBytes(WireFrame('1', '9', "40026-Estaciones en uso"))});
    test::RecordingWindow window;
    Connection connection("127.0.0.1", peer.PortText().c_str(), &window, 5);
    ASSERT_EQ(connection.Connect(Connection::Watch::kLater), 0);
    EXPECT_TRUE(connection.IsConnected());
    EXPECT_TRUE(window.Calls().empty());
    ASSERT_TRUE(connection.EnableNotifications());
    EXPECT_EQ(window.Calls(), (std::vector<std::pair<int, bool>>{{connection.Socket(), true}}));
}

// A window that refuses to watch fails the connect with the mapped error and the socket is
// closed again. (No peer thread here: it would open and close descriptors of its own.)
TEST(Connect, RefusedNotificationsFailTheConnect) {
    std::uint16_t port = 0;
    const int listener = test::ListenWithoutAccepting(&port);
    ASSERT_GE(listener, 0);
    const int before = OpenDescriptorCount();
    test::RecordingWindow refusing(ENOMEM);
    Connection refused("127.0.0.1", std::to_string(port).c_str(), &refusing, 5);
    EXPECT_EQ(refused.Connect(), 110055);
    EXPECT_FALSE(refused.IsConnected());
    EXPECT_EQ(refused.Socket(), -1);
    EXPECT_EQ(OpenDescriptorCount(), before);
    ::close(listener);
}

TEST(Connect, ReconnectReplacesTheSocket) {
    ScriptedPeer first({SendBytes(WireFrame('2', 'O', "uno"))});
    ScriptedPeer second({SendBytes(WireFrame('2', 'O', "hola"))});
    Connection connection("127.0.0.1", first.PortText().c_str(), nullptr, 5);
    ASSERT_EQ(connection.Connect(), 0);
    connection.SetService(second.PortText().c_str());
    ASSERT_EQ(connection.Connect(), 0);
    ExpectConnectedTo(connection);
    first.Received();  // returns once the first peer has seen its connection closed
}

constexpr int kNoNamespace = 77;

// Runs body in a child process that sees hosts as /etc/hosts: a file bound over it in a
// private mount namespace (needs root). The child's exit status, kNoNamespace when the
// namespace cannot be made, -1 when the child did not exit.
int WithHostsFile(const std::string& hosts, const std::function<int()>& body) {
    char hostsPath[] = "/tmp/vkt-net-hosts-XXXXXX";
    const int hostsFd = ::mkstemp(hostsPath);
    if (hostsFd < 0) return -1;
    const bool written =
        ::write(hostsFd, hosts.data(), hosts.size()) == static_cast<ssize_t>(hosts.size());
    ::close(hostsFd);
    const pid_t child = written ? ::fork() : -1;
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(hostsPath, "/etc/hosts", nullptr, MS_BIND, nullptr) != 0)
            ::_exit(kNoNamespace);
        ::_exit(body());
    }
    int status = 0;
    const bool waited = child > 0 && ::waitpid(child, &status, 0) == child;
    ::unlink(hostsPath);
    return waited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A name with two addresses where only the second listens: the first is tried, refused, and
// the second connects. When no address listens, the last refusal is the result.
TEST(Connect, TriesEveryAddressOfANameInOrder) {
    const int result = WithHostsFile("127.0.0.2 two.vkt.test\n127.0.0.3 two.vkt.test\n", [] {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (::getaddrinfo("two.vkt.test", nullptr, &hints, &found) != 0) return 10;
        if (found->ai_next == nullptr) return 11;
        // The resolver may sort the addresses: listen on whichever comes second.
        sockaddr_in second = *reinterpret_cast<sockaddr_in*>(found->ai_next->ai_addr);
        ::freeaddrinfo(found);
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        second.sin_port = 0;
        if (::bind(listener, reinterpret_cast<sockaddr*>(&second), sizeof second) != 0 ||
            ::listen(listener, 1) != 0)
            return 12;
        socklen_t size = sizeof second;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&second), &size);
        const std::string port = std::to_string(ntohs(second.sin_port));

        int outcome = 0;
        {
            Connection connection("two.vkt.test", port.c_str(), nullptr, 5);
            if (connection.Connect() != 0) outcome = 13;
            sockaddr_in reached{};
            size = sizeof reached;
            ::getpeername(connection.Socket(), reinterpret_cast<sockaddr*>(&reached), &size);
            if (outcome == 0 && reached.sin_addr.s_addr != second.sin_addr.s_addr) outcome = 14;
        }
        ::close(listener);
        Connection none("two.vkt.test", port.c_str(), nullptr, 5);
        if (outcome == 0 && none.Connect() != 110061) outcome = 15;
        return outcome;
    });
    if (result == kNoNamespace) GTEST_SKIP() << "no private mount namespace";
    EXPECT_EQ(result, 0) << "10 resolve, 11 one address, 12 listen, 13 connect, "
                            "14 wrong address, 15 refusal code";
}

// A name with an IPv6 address (and an IPv4 one where no one listens) reaches the listener on
// the IPv6 loopback. The child runs no thread of its own (a thread sanitizer refuses threads
// after a fork): a bare listening socket takes the connection into its backlog.
TEST(Connect, ReachesTheIpv6AddressOfAName) {
    {
        ScriptedPeer probe({}, PeerOptions{"::1", 0, 0});
        if (!probe.Listening()) GTEST_SKIP() << "no IPv6 loopback";
    }
    const int result = WithHostsFile("::1 six.vkt.test\n127.0.0.4 six.vkt.test\n", [] {
        const int listener = ::socket(AF_INET6, SOCK_STREAM, 0);
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        socklen_t size = sizeof address;
        if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::listen(listener, 1) != 0 ||
            ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return 10;
        const std::string port = std::to_string(ntohs(address.sin6_port));
        int outcome = 0;
        {
            Connection connection("six.vkt.test", port.c_str(), nullptr, 5);
            if (connection.Connect() != 0) outcome = 11;
            sockaddr_storage reached{};
            size = sizeof reached;
            ::getpeername(connection.Socket(), reinterpret_cast<sockaddr*>(&reached), &size);
            if (outcome == 0 && reached.ss_family != AF_INET6) outcome = 12;
        }
        ::close(listener);
        return outcome;
    });
    if (result == kNoNamespace) GTEST_SKIP() << "no private mount namespace";
    EXPECT_EQ(result, 0) << "10 listen, 11 connect, 12 not IPv6";
}

TEST(Connect, SendAndReceiveNeedAConnection) {
    Connection never("127.0.0.1", "1", nullptr, 5);
    EXPECT_EQ(never.ReceiveFrame(), 110057);
    never.SetCharacteristic("1");
    never.SetMessageType("0");
    ASSERT_EQ(never.BuildFrame(), 0);
    EXPECT_EQ(never.SendFrame(), 110057);

    ScriptedPeer peer({});
    Connection closed("127.0.0.1", peer.PortText().c_str(), nullptr, 5);
    ASSERT_EQ(closed.Connect(), 0);
    closed.Close();
    EXPECT_FALSE(closed.IsConnected());
    EXPECT_EQ(closed.ReceiveFrame(), 110057);
    closed.SetCharacteristic("1");
    closed.SetMessageType("0");
    ASSERT_EQ(closed.BuildFrame(), 0);
    EXPECT_EQ(closed.SendFrame(), 110057);
    EXPECT_EQ(closed.HasData(), 0);
}

}  // namespace
}  // namespace vkt::runtime
