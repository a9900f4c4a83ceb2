// vkt's exit statuses and error lines for real failures: nothing listening, a listener that
// never answers or speaks another protocol, the user's session held by another vkt, a local
// file missing, the server's refusal, the time running out during a transfer.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cli_fixture.h"

namespace vkt::cli::test {
namespace {

using Clock = std::chrono::steady_clock;

// A loopback listener that accepts every connection, writes greeting to it (nothing when
// empty) and then holds it open, never reading, until the object goes.
class Listener {
  public:
    explicit Listener(std::string greeting) : greeting_(std::move(greeting)) {
        socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(socket_, 8) != 0 ||
            ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ADD_FAILURE() << "no listening socket";
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] {
            for (;;) {
                const int connection = ::accept(socket_, nullptr, nullptr);
                if (connection < 0 || stop_) {
                    if (connection >= 0) ::close(connection);
                    return;
                }
                if (!greeting_.empty()) {
                    const ssize_t sent =
                        ::send(connection, greeting_.data(), greeting_.size(), MSG_NOSIGNAL);
                    static_cast<void>(sent);
                }
                held_.push_back(connection);
            }
        });
    }
    ~Listener() {
        stop_ = true;
        ::shutdown(socket_, SHUT_RDWR);
        if (thread_.joinable()) thread_.join();
        for (const int connection : held_) ::close(connection);
        ::close(socket_);
    }
    int port() const { return port_; }

  private:
    std::string greeting_;
    int socket_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::vector<int> held_;
    std::thread thread_;
};

std::string At(int port) {
    return "127.0.0.1:" + std::to_string(port);
}

TEST_F(CliTest, EachFailureExitsWithItsClassAndSaysWhatFailed) {
    std::string body;
    WriteFile(Path("nomina.txt"), FormattedFile("NOMINA", {"0001"}, &body));
    WriteFile(Path("rechazo.txt"), FormattedFile("RECHAZO", {"0001"}, &body));
    mkdir(Path("in").c_str(), 0700);
    const int closed = ClosedPort();
    Listener silent("");
    Listener garbage("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
    const int server = server_.port();
    struct Case {
        int port;
        std::vector<std::string> args;
        int status;
        std::string line;  // a line of standard error, whole
        int withinSeconds;
    };
    const Case cases[] = {
        {closed,
         {"get", "informe.txt", "--to", Path("in")},
         6,
         "vkt: connect to " + At(closed) + " as ANA: [110061] La conexi\xC3\xB3n fue rechazada",
         30},
        {silent.port(),
         {"verify", Path("nomina.txt"), "--timeout", "3"},
         4,
         "vkt: verify " + Path("nomina.txt") + " at " + At(silent.port()) +
             ": timed out after 3 seconds; the session was ended",
         3 + 4},
        {garbage.port(),
         {"verify", Path("nomina.txt"), "--timeout", "5"},
         6,
         "vkt: connect to " + At(garbage.port()) + " as ANA: [40001]",
         5 + 4},
        {server,
         {"send", Path("ausente.txt")},
         7,
         "vkt: send " + Path("ausente.txt") + " to " + At(server) +
             ": [40050] Archivo no encontrado",
         30},
        {server,
         {"get", "ausente.txt", "--to", Path("in")},
         1,
         "vkt: get ausente.txt from " + At(server) + ": [40050] Archivo no encontrado",
         30},
        {server,
         {"verify", Path("rechazo.txt")},
         1,
         "vkt: verify " + Path("rechazo.txt") + " at " + At(server) +
             ": [40013] Sistema desconocido",
         30},
    };
    for (const Case& c : cases) {
        const auto start = Clock::now();
        const VktRun run = VktAt(c.port, c.args);
        const auto took = Clock::now() - start;
        EXPECT_EQ(run.status, c.status) << c.line << "\n" << run.err;
        EXPECT_NE(("\n" + run.err).find("\n" + c.line), std::string::npos) << run.err;
        EXPECT_LT(took, std::chrono::seconds(c.withinSeconds)) << c.line;
    }
    EXPECT_EQ(testing::ListFolder(Path("in")), std::vector<std::string>{});
}

// The one session of a user on this machine: a second vkt exits 5 while the first holds it,
// a third that may wait for it gets it once the first is done.
TEST_F(CliTest, ASecondRunOfTheUserExitsFiveOrWaitsForTheSession) {
    // The server is frozen while the others run, so the first holds the session whatever the size.
    const std::string data = RandomBytes(8 << 20);
    mkdir((server_.outbox() + "/ANA").c_str(), 0700);
    WriteFile(server_.outbox() + "/ANA/grande.bin", data);
    WriteFile(server_.outbox() + "/ANA/chico.bin", "chico");
    mkdir(Path("in").c_str(), 0700);
    mkdir(Path("other").c_str(), 0700);
    VktRun second;
    VktRun third;
    bool held = false;
    const VktRun first =
        Vkt({"get", "grande.bin", "--to", Path("in")}, {}, [&](const std::string& err, pid_t) {
            if (held || err.find("receiving the file") == std::string::npos) return;
            held = true;
            server_.Freeze();
            second = Vkt({"get", "chico.bin", "--to", Path("other")});
            std::thread thaw([this] {
                std::this_thread::sleep_for(std::chrono::seconds(1));
                server_.Thaw();
            });
            third = Vkt({"get", "chico.bin", "--to", Path("other"), "--wait-session", "60"});
            thaw.join();
        });
    ASSERT_TRUE(held) << first.err;
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(ReadFile(Path("in/grande.bin")) == data) << "the first file arrives whole";
    EXPECT_EQ(second.status, 5) << second.err;
    EXPECT_NE(second.err.find("vkt: connect to " + At(server_.port()) + " as ANA: [40033] "),
              std::string::npos)
        << second.err;
    EXPECT_EQ(third.status, 0) << third.err;
    EXPECT_EQ(ReadFile(Path("other/chico.bin")), "chico");
}

// --timeout bounds the whole command: a transfer the server stops answering in the middle
// ends at the deadline, the session closed and no part file left.
TEST_F(CliTest, TimeoutEndsAStalledTransferWithinTheBound) {
    mkdir((server_.outbox() + "/ANA").c_str(), 0700);
    WriteFile(server_.outbox() + "/ANA/grande.bin", RandomBytes(32 << 20));
    mkdir(Path("in").c_str(), 0700);
    bool frozen = false;
    const auto start = Clock::now();
    const VktRun run = Vkt({"get", "grande.bin", "--to", Path("in"), "--timeout", "8"}, {},
                           [&](const std::string& err, pid_t) {
                               if (!frozen && err.find("receiving the file") != std::string::npos) {
                                   server_.Freeze();
                                   frozen = true;
                               }
                           });
    const auto took = Clock::now() - start;
    server_.Thaw();
    ASSERT_TRUE(frozen) << run.err;
    EXPECT_EQ(run.status, 4) << run.err;
    EXPECT_NE(run.err.find("vkt: get grande.bin from " + At(server_.port()) +
                           ": timed out after 8 seconds"),
              std::string::npos)
        << run.err;
    EXPECT_LT(took, std::chrono::seconds(8 + 4));
    EXPECT_EQ(testing::ListFolder(Path("in")), std::vector<std::string>{});

    WriteFile(server_.outbox() + "/ANA/chico.bin", "chico");
    const VktRun next = Vkt({"get", "chico.bin", "--to", Path("in")});
    EXPECT_EQ(next.status, 0) << next.err;
}

}  // namespace
}  // namespace vkt::cli::test
