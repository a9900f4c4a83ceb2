// The addresses vkt-server listens on: the loopback of both families by default, one IPv6 or
// IPv4 address, or every address of both families with "::".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/server_fixture.h"

namespace vkt::server::test {
namespace {

using testing::HasIpv6Loopback;

// A session opens through a connection to host, or the connect is refused.
bool OpensSessionVia(const std::string& host, int port) {
    WireClient client;
    return client.ConnectTo(host, port) && client.OpenSession(kUser, TestKey());
}

TEST_F(ServerTest, ListensOnTheGivenAddressFamilies) {
    if (!HasIpv6Loopback()) GTEST_SKIP() << "no IPv6 loopback on this machine";
    const struct {
        std::vector<std::string> listen;
        const char* shown;  // the address of the listening line
        bool ipv4;          // a session opens through 127.0.0.1
        bool ipv6;          // a session opens through ::1
    } cases[] = {
        {{}, "127.0.0.1", true, true},
        {{"--listen", "::1"}, "[::1]", false, true},
        {{"--listen", "::"}, "[::]", true, true},
        {{"--listen", "127.0.0.1"}, "127.0.0.1", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        server_.Stop();
        StartServer(c.listen);
        const std::string port = std::to_string(server_.port());
        EXPECT_EQ(server_.listeningLine(), "listening on " + std::string(c.shown) + ":" + port);
        EXPECT_EQ(OpensSessionVia("127.0.0.1", server_.port()), c.ipv4) << server_.Log();
        EXPECT_EQ(OpensSessionVia("::1", server_.port()), c.ipv6) << server_.Log();
    }
}

// Both loopback sockets are named in the log, on one port.
TEST_F(ServerTest, DefaultLogsBothLoopbackAddresses) {
    if (!HasIpv6Loopback()) GTEST_SKIP() << "no IPv6 loopback on this machine";
    StartServer();
    const std::string port = std::to_string(server_.port());
    const std::string log = server_.Log();
    EXPECT_NE(log.find("listening on 127.0.0.1:" + port), std::string::npos) << log;
    EXPECT_NE(log.find("listening on [::1]:" + port), std::string::npos) << log;
}

TEST_F(ServerTest, RefusesAnAddressThatIsNotNumeric) {
    for (const char* address : {"localhost", "::1::", "127.0.0.256", ""}) {
        SCOPED_TRACE(address);
        server_.Stop();
        WritePublicKey(TestKey(), server_.users(), kUser);
        EXPECT_FALSE(server_.Start({"--listen", address}));
    }
}

}  // namespace
}  // namespace vkt::server::test
