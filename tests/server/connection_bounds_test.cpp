// vkt-server under clients that hold connections without using them: trickling bytes, never
// opening a session, never reading, or many at once from one address. Every such client is
// ended in bounded time, and none keeps a well-behaved client out.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "server/server_process.h"
#include "server/wire_client.h"

namespace vkt::server::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kUser[] = "ana";
// Loopback answers all of 127/8: clients from here count as another address than 127.0.0.1.
constexpr char kOtherAddress[] = "127.0.0.2";

// True when the peer has closed the connection (without waiting).
bool PeerClosed(int socket) {
    pollfd watch{socket, POLLIN, 0};
    char sink[512];
    while (poll(&watch, 1, 0) > 0) {
        const ssize_t got = recv(socket, sink, sizeof sink, MSG_DONTWAIT);
        if (got == 0 || (got < 0 && errno != EAGAIN)) return true;
        if (got < 0) return false;
    }
    return false;
}

enum class OnClose { kStop, kIgnore };

// Sends a long frame one byte at a time, a byte every gap, until the frame is out, stop is set,
// sending fails or (kStop) the peer closes its side. Returns the number of bytes sent.
std::size_t Trickle(int socket, std::chrono::milliseconds gap, const std::atomic<bool>& stop,
                    OnClose onClose = OnClose::kStop) {
    const std::string frame = FrameBytes('1', '0', std::string(200, 'x'));
    std::size_t sent = 0;
    while (sent < frame.size() && !stop && !(onClose == OnClose::kStop && PeerClosed(socket))) {
        if (send(socket, frame.data() + sent, 1, MSG_NOSIGNAL) != 1) break;
        ++sent;
        std::this_thread::sleep_for(gap);
    }
    return sent;
}

// A client that trickles bytes on a thread of its own until it is destroyed, whatever the
// server answers, as long as the connection takes them.
class Trickler {
  public:
    explicit Trickler(int port, const std::string& source = "") {
        connected_ = client_.Connect(port, source);
        if (connected_)
            thread_ = std::thread([this] {
                client_.Send('1', '1', kUser);
                Trickle(client_.descriptor(), std::chrono::milliseconds(100), stop_,
                        OnClose::kIgnore);
            });
    }
    ~Trickler() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool connected() const { return connected_; }

  private:
    WireClient client_;
    bool connected_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

bool StartWithUser(ServerProcess* server, const std::vector<std::string>& extra) {
    WritePublicKey(TestKey(), server->users(), kUser);
    return server->Start(extra);
}

// Connect, send a file and get it back; "" when all went right, else what failed.
std::string WellBehavedExchange(const ServerProcess& server) {
    WireClient client;
    if (!client.Connect(server.port())) return "connect failed";
    WireFrame refusal;
    if (!client.OpenSession(kUser, TestKey(), &refusal)) return "no session: " + refusal.data;
    const std::string contents(20000, 'v');
    std::string answer;
    if (client.SendFile("ida", contents, TestKey(), &answer) != 'O') return "send: " + answer;
    const std::string folder = server.outbox() + "/" + kUser;
    mkdir(folder.c_str(), 0700);
    WriteWholeFile(folder + "/vuelta", contents);
    std::string got, digest, report;
    if (!client.RequestFile("vuelta", &got, &digest, &report)) return "get: " + report;
    return got == contents ? "" : "get: wrong contents";
}

class ConnectionBoundsTest : public ::testing::Test {
  protected:
    void TearDown() override { server_.Stop(); }
    void StartServer(const std::vector<std::string>& extra) {
        ASSERT_TRUE(StartWithUser(&server_, extra)) << server_.Log();
    }
    std::string WellBehavedExchange() const { return test::WellBehavedExchange(server_); }

    ServerProcess server_;
};

// A refused client that trickles bytes is drained off the accepting thread: the next client
// is answered at once, not when the trickle ends.
TEST_F(ConnectionBoundsTest, TricklingRefusedClientDoesNotHoldTheAcceptLoop) {
    StartServer({"--max-sessions", "1"});
    WireClient first;
    ASSERT_TRUE(first.Connect(server_.port()));
    ASSERT_TRUE(first.OpenSession(kUser, TestKey())) << server_.Log();
    Trickler trickler(server_.port());
    ASSERT_TRUE(trickler.connected());

    WireClient next;
    ASSERT_TRUE(next.Connect(server_.port()));
    WireFrame refusal;
    EXPECT_FALSE(next.OpenSession(kUser, TestKey(), &refusal));
    EXPECT_EQ(refusal.data.substr(0, 6), "40026-") << server_.Log();
    EXPECT_TRUE(next.WaitForClose(10000));
}

// A connection over the bounds on connections without a session is refused with 40026 and
// closed soon, however it trickles; with only the per-address bound reached, another address is
// served meanwhile.
TEST(ConnectionBoundsStandaloneTest, PendingBoundsRefuseWithoutDelay) {
    const struct {
        const char* what;
        std::vector<std::string> options;
        const char* overFrom;  // the address of the connection over the bound
        bool othersServed;     // a client from 127.0.0.1 still gets a session
    } cases[] = {
        {"per address", {"--max-per-address", "2"}, kOtherAddress, true},
        {"in all", {"--max-pending", "2"}, "127.0.0.3", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ServerProcess server;
        ASSERT_TRUE(StartWithUser(&server, c.options)) << server.Log();
        Trickler held[] = {Trickler(server.port(), kOtherAddress),
                           Trickler(server.port(), kOtherAddress)};
        ASSERT_TRUE(server.LogShows("connected", 2));
        WireClient over;
        ASSERT_TRUE(over.Connect(server.port(), c.overFrom));
        std::atomic<bool> stop{false};
        std::thread trickle([&] {
            Trickle(over.descriptor(), std::chrono::milliseconds(100), stop, OnClose::kIgnore);
        });
        WireFrame refusal;
        const bool refused = over.Receive(&refusal);
        const bool closed = over.WaitForClose(5000);
        stop = true;
        trickle.join();
        ASSERT_TRUE(refused) << server.Log();
        EXPECT_EQ(refusal.data.substr(0, 6), "40026-");
        EXPECT_TRUE(closed);
        const std::string other = WellBehavedExchange(server);
        if (c.othersServed)
            EXPECT_EQ(other, "") << server.Log();
        else
            EXPECT_EQ(other.substr(0, 18), "no session: 40026-") << server.Log();
        server.Stop();
    }
}

// A connection without a session is closed after the handshake time-out whatever it sends
// meanwhile, and holds no session place until then.
TEST_F(ConnectionBoundsTest, ConnectionsWithoutSessionEndAtTheHandshakeTimeout) {
    StartServer({"--handshake-timeout", "1", "--idle", "60", "--max-sessions", "1"});
    const struct {
        const char* what;
        bool connectRequest;  // sends a connect request and never the follow-up
        bool keepAlive;       // keeps sending keep-alives
    } cases[] = {
        {"silent", false, false},
        {"connect request, no follow-up", true, false},
        {"keep-alives only", false, true},
    };
    std::vector<std::unique_ptr<WireClient>> clients;
    for (const auto& c : cases) {
        clients.push_back(std::make_unique<WireClient>());
        ASSERT_TRUE(clients.back()->Connect(server_.port()));
        if (c.connectRequest) {
            ASSERT_TRUE(clients.back()->Send('1', '1', kUser));
        }
    }
    ASSERT_TRUE(server_.LogShows("connected", 3));
    // They hold no session place: a real client gets in beside them.
    EXPECT_EQ(WellBehavedExchange(), "") << server_.Log();

    const auto deadline = Clock::now() + std::chrono::seconds(15);
    std::vector<bool> closed(std::size(cases), false);
    while (Clock::now() < deadline &&
           std::find(closed.begin(), closed.end(), false) != closed.end()) {
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            if (closed[i]) continue;
            if (cases[i].keepAlive) clients[i]->Send('1', '0', "");
            closed[i] = PeerClosed(clients[i]->descriptor());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_TRUE(closed[i]) << cases[i].what << "\n" << server_.Log();
    EXPECT_TRUE(server_.LogShows("no session within 1 s, connection closed", 3)) << server_.Log();
}

// The idle time bounds each frame: bytes trickled below it do not keep a session open.
TEST_F(ConnectionBoundsTest, IdleTimeBoundsEachFrame) {
    StartServer({"--idle", "2"});
    WireClient client;
    ASSERT_TRUE(client.Connect(server_.port()));
    ASSERT_TRUE(client.OpenSession(kUser, TestKey())) << server_.Log();
    const std::atomic<bool> never{false};
    // 210 bytes, one every 100 ms: about 21 s for the frame.
    const std::size_t sent = Trickle(client.descriptor(), std::chrono::milliseconds(100), never);
    EXPECT_LT(sent, FrameBytes('1', '0', std::string(200, 'x')).size()) << server_.Log();
    EXPECT_TRUE(server_.LogShows("idle for 2 s, session ended")) << server_.Log();
}

// A client that asks for files and never reads them is ended once a write of the server has
// waited the idle time, and its session place is given back.
TEST_F(ConnectionBoundsTest, ClientThatNeverReadsIsEnded) {
    StartServer({"--idle", "2", "--max-sessions", "1"});
    const std::string folder = server_.outbox() + "/" + kUser;
    mkdir(folder.c_str(), 0700);
    WriteWholeFile(folder + "/grande", std::string(1 << 20, 'g'));
    WireClient deaf;
    ASSERT_TRUE(deaf.Connect(server_.port()));
    ASSERT_TRUE(deaf.OpenSession(kUser, TestKey())) << server_.Log();
    // Far more than the socket buffers of both ends hold.
    for (int i = 0; i < 32; ++i) ASSERT_TRUE(deaf.SendSealed('P', "grande"));
    EXPECT_TRUE(server_.LogShows("client not reading for 2 s, session ended")) << server_.Log();
    // The place is free again, while the deaf client still holds its connection.
    std::string result = "not tried";
    const auto retryUntil = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < retryUntil && !(result = WellBehavedExchange()).empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(result, "") << server_.Log();
}

// 400 idle connections from one address: a client on another address connects, sends and gets
// a file about as fast as without them.
TEST_F(ConnectionBoundsTest, ManyIdleConnectionsFromOneAddressKeepNobodyOut) {
    constexpr int kIdle = 400;
    const long limit = testing::RaiseDescriptorLimit();
    if (limit < kIdle + 100) GTEST_SKIP() << "descriptor limit " << limit;
    StartServer({});
    const std::string descriptors = "/proc/" + std::to_string(server_.pid()) + "/fd";
    const std::size_t descriptorsBefore = ListFolder(descriptors).size();

    auto start = Clock::now();
    ASSERT_EQ(WellBehavedExchange(), "") << server_.Log();
    const auto alone = Clock::now() - start;

    std::vector<int> idle;
    for (int i = 0; i < kIdle; ++i) {
        const int socket = testing::ConnectFrom(kOtherAddress, server_.port());
        if (socket >= 0) idle.push_back(socket);
    }
    start = Clock::now();
    const std::string result = WellBehavedExchange();
    const auto crowded = Clock::now() - start;
    for (const int socket : idle) close(socket);

    using std::chrono::milliseconds;
    RecordProperty("alone_ms",
                   static_cast<int>(std::chrono::duration_cast<milliseconds>(alone).count()));
    RecordProperty("with_idle_ms",
                   static_cast<int>(std::chrono::duration_cast<milliseconds>(crowded).count()));
    EXPECT_EQ(result, "") << server_.Log();
    EXPECT_LT(crowded, std::chrono::seconds(10));
    EXPECT_GT(idle.size(), 0u);
    // Every connection is let go of once the clients have left.
    const auto settle = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < settle && ListFolder(descriptors).size() > descriptorsBefore)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ListFolder(descriptors).size(), descriptorsBefore);
}

}  // namespace
}  // namespace vkt::server::test
