// VKTConectar and VKTDesconectar end to end: the real library against the real server.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e_fixture.h"

namespace vkt::e2e {
namespace {

using testing::HasIpv6Loopback;

constexpr char kUser[] = "ana";
constexpr char kPassword[] = "clave";
constexpr char kPasswordRefused[] =
    "Contrase\xF1"
    "a incorrecta o la clave est\xE1 corrompida";
constexpr char kUnknownUserText[] = "Intentos de conexi\xF3n por usuario no identificado";
constexpr char kServerFullText[] = "Estaciones en uso o problemas internos";

int32_t Connect(int port, const std::string& keys, const char* user = kUser,
                const char* password = kPassword, int32_t* session = nullptr,
                const char* host = "127.0.0.1") {
    int32_t own = 0;
    return Vkt().conectar(host, std::to_string(port).c_str(), user, password, keys.c_str(), 10,
                          session != nullptr ? session : &own);
}

bool HasError(const std::vector<ErrorRecord>& errors, int32_t code, const char* text = nullptr) {
    for (const ErrorRecord& record : errors) {
        if (record.code == code && (text == nullptr || std::strcmp(record.text, text) == 0)) {
            return true;
        }
    }
    return false;
}

class ConnectTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        keys_ = new TempDir;
        keysMade_ =
            MakeKey(keys_->path(), kUser, kPassword) && MakeKey(keys_->path(), "pedro", kPassword);
    }
    static void TearDownTestSuite() {
        delete keys_;
        keys_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(keysMade_);
        ASSERT_NE(Vkt().conectar, nullptr);
        // Only ana is known to the server; pedro has a key file but no public key there.
        ASSERT_TRUE(CopyFile(keys() + "/ana.pub", server_.users() + "/ana.pub"));
    }

    // Leaves no session behind for the next test of the process.
    void TearDown() override {
        WaitForEnd();
        if (session_ > 1) Vkt().desconectar(session_);
        Errors();
    }

    // Connects ana to the running server and waits until the session is open.
    void OpenSession() {
        ASSERT_EQ(Connect(server_.port(), keys(), kUser, kPassword, &session_), 0);
        const StatusRecord status = WaitForEnd();
        ASSERT_EQ(status.activity, 0u) << (Errors().empty() ? 0 : Errors()[0].code);
        ASSERT_EQ(status.sessionId, static_cast<uint32_t>(session_));
    }

    static std::string keys() { return keys_->path(); }

    static TempDir* keys_;
    static bool keysMade_;
    Server server_;
    int32_t session_ = 0;
};

TempDir* ConnectTest::keys_ = nullptr;
bool ConnectTest::keysMade_ = false;

// Every cipher the server can choose: the session opens, shows in VKTEstado, ends, and opens
// again; the server sees one disconnect notice per session.
TEST_F(ConnectTest, OpensEndsAndReopensWithEachCipher) {
    for (const int cipher : {101, 102, 103}) {
        SCOPED_TRACE(cipher);
        Server server;
        ASSERT_TRUE(CopyFile(keys() + "/ana.pub", server.users() + "/ana.pub"));
        if (!server.Start({"--cipher", std::to_string(cipher)})) {
            // 101 needs a legacy provider the machine may not have; the others must start.
            ASSERT_EQ(cipher, 101) << "the server refused cipher " << cipher;
            continue;
        }
        for (int round = 1; round <= 2; ++round) {
            int32_t session = 0;
            ASSERT_EQ(Connect(server.port(), keys(), kUser, kPassword, &session), 0);
            EXPECT_GE(session, 1000);
            EXPECT_LE(session, 9990);
            const StatusRecord open = WaitForEnd();
            EXPECT_EQ(open.activity, 0u);
            EXPECT_EQ(open.sessionId, static_cast<uint32_t>(session));
            EXPECT_STREQ(open.function, "VKTConectar");
            EXPECT_EQ(open.step, 2u);
            EXPECT_TRUE(Errors().empty());
            EXPECT_TRUE(server.LogShows("session open, cipher " + std::to_string(cipher), round));

            EXPECT_EQ(Vkt().desconectar(session), 0);
            const StatusRecord closed = Estado();
            EXPECT_EQ(closed.activity, 0u);
            EXPECT_EQ(closed.step, 5u);
            EXPECT_STREQ(closed.function, "VKTDesconectar");
            EXPECT_TRUE(server.LogShows("disconnect notice", round));
            // The id is stale now.
            EXPECT_EQ(Vkt().desconectar(session), 40039);
            EXPECT_TRUE(HasError(Errors(), 40039));
        }
    }
}

// Over IPv6: a server on ::1 alone, on both loopbacks (its default) and on every address of
// both families; the library reaches it through "::1" and the session opens and ends.
TEST_F(ConnectTest, OpensASessionOverIpv6) {
    if (!HasIpv6Loopback()) GTEST_SKIP() << "no IPv6 loopback on this machine";
    const struct {
        std::vector<std::string> listen;
        const char* host;
    } cases[] = {
        {{"--listen", "::1"}, "::1"},
        {{}, "::1"},
        {{}, "127.0.0.1"},
        {{"--listen", "::"}, "::1"},
        {{"--listen", "::"}, "127.0.0.1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.listen.empty() ? "default" : c.listen[1]) + " / " + c.host);
        Server server;
        ASSERT_TRUE(CopyFile(keys() + "/ana.pub", server.users() + "/ana.pub"));
        ASSERT_TRUE(server.Start(c.listen));
        int32_t session = 0;
        ASSERT_EQ(Connect(server.port(), keys(), kUser, kPassword, &session, c.host), 0);
        const StatusRecord open = WaitForEnd();
        EXPECT_EQ(open.activity, 0u) << (Errors().empty() ? 0 : Errors()[0].code);
        EXPECT_EQ(open.sessionId, static_cast<uint32_t>(session));
        EXPECT_TRUE(server.LogShows("session open"));
        EXPECT_EQ(Vkt().desconectar(session), 0);
        EXPECT_TRUE(server.LogShows("disconnect notice"));
        Errors();
    }
}

// A refused password: the server gets the password-failure notice with the user name and then
// the disconnect notice; the call reports 2604 and leaves no session.
TEST_F(ConnectTest, WrongPasswordSendsTheNoticeAndFails) {
    ASSERT_TRUE(server_.Start());
    int32_t session = -5;
    EXPECT_EQ(Connect(server_.port(), keys(), kUser, "wrong", &session), 2604);
    EXPECT_EQ(session, 0);
    EXPECT_EQ(Estado().activity, 1u);
    EXPECT_TRUE(HasError(Errors(), 2604, kPasswordRefused));
    EXPECT_TRUE(server_.LogShows("password-failure notice for ana"));
    EXPECT_TRUE(server_.LogShows("disconnect notice"));
    OpenSession();  // the slot is free again
}

// The server's refusal arrives on the event thread: its own code and text are recorded and the
// session is released.
TEST_F(ConnectTest, UnknownUserGetsTheServersReport) {
    ASSERT_TRUE(server_.Start());
    int32_t session = 0;
    ASSERT_EQ(Connect(server_.port(), keys(), "pedro", kPassword, &session), 0);
    EXPECT_EQ(WaitForEnd().activity, 1u);
    EXPECT_TRUE(HasError(Errors(), 40007, kUnknownUserText));
    EXPECT_EQ(Vkt().desconectar(session), 40039);
    Errors();
    OpenSession();
}

// A full server answers the connect request with its refusal and then closes: the refusal is
// reported with the server's own code and text, never as the plain close, however the library's
// threads meet it (many rounds). The server's one session is held by another client that opened
// it with bare frames (a connection without a session holds no place).
TEST_F(ConnectTest, FullServerRefusalIsReportedAsTheServerSaidIt) {
    ASSERT_TRUE(server_.Start({"--max-sessions", "1"}));
    const int holder = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(holder, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(server_.port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(holder, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    // The connect request and its follow-up: "\x01", characteristic, type, " ", data length + 1
    // in four digits, data, "\x04".
    const std::string open = std::string("\x01") + "11 0004ana\x04" + "\x01" + "1Z 0001\x04";
    static_assert(sizeof kUser == 4, "the connect request above names ana");
    ASSERT_EQ(send(holder, open.data(), open.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(open.size()));
    ASSERT_TRUE(server_.LogShows("session open"));
    for (int round = 1; round <= 30 && !HasFailure(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        int32_t session = 0;
        ASSERT_EQ(Connect(server_.port(), keys(), kUser, kPassword, &session), 0);
        EXPECT_EQ(WaitForEnd().activity, 1u);
        const std::vector<ErrorRecord> errors = Errors();
        EXPECT_TRUE(HasError(errors, 40026, kServerFullText))
            << "recorded " << (errors.empty() ? 0 : errors[0].code);
        EXPECT_EQ(Vkt().desconectar(session), 40039);
        Errors();
    }
    close(holder);
}

TEST_F(ConnectTest, RefusedPortReportsTheSocketError) {
    EXPECT_EQ(Connect(ClosedPort(), keys()), 110061);
    EXPECT_EQ(Estado().activity, 1u);
    EXPECT_TRUE(HasError(Errors(), 110061));
    ASSERT_TRUE(server_.Start());
    OpenSession();  // nothing of the failed attempt is in the way
}

// Failures found before any traffic: recorded, activity 1, nothing reaches the server.
TEST_F(ConnectTest, KeyFileAndArgumentFaultsStopBeforeTheNetwork) {
    ASSERT_TRUE(server_.Start());
    TempDir damaged;
    ASSERT_TRUE(CopyFile(keys() + "/ana.pri", damaged.path() + "/ana.pri"));
    {
        std::fstream file(damaged.path() + "/ana.pri",
                          std::ios::in | std::ios::out | std::ios::binary);
        file.seekg(40);
        const char original = static_cast<char>(file.get());
        file.seekp(40);
        file.put(original == '0' ? '1' : '0');
    }
    TempDir empty;
    const std::string tooLong(254, 'a');
    const std::string longest(253, 'a');
    const struct {
        const char* name;
        std::string path;
        std::string user;
        int32_t code;
    } cases[] = {
        {"digest mismatch", damaged.path(), kUser, 2403},
        {"no key file", empty.path(), kUser, 40032},
        {"user of 254 characters", keys(), tooLong, 40053},
        // 253 characters pass the argument check and then find no key file.
        {"user of 253 characters", keys(), longest, 40032},
        {"empty user", keys(), "", 40053},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t session = 0;
        EXPECT_EQ(Connect(server_.port(), c.path, c.user.c_str(), kPassword, &session), c.code);
        EXPECT_EQ(Estado().activity, 1u);
        EXPECT_TRUE(HasError(Errors(), c.code));
    }
    EXPECT_EQ(server_.Log().find("connect request"), std::string::npos);
}

// While the reply is outstanding (the server is stopped) every operation is refused with
// 40063 and the running connect's status stays as it is; it completes once the server runs.
TEST_F(ConnectTest, RefusesOperationsWhileConnecting) {
    ASSERT_TRUE(server_.Start());
    server_.Freeze();
    ASSERT_EQ(Connect(server_.port(), keys(), kUser, kPassword, &session_), 0);
    int32_t other = 0;
    EXPECT_EQ(Connect(server_.port(), keys(), kUser, kPassword, &other), 40063);
    EXPECT_EQ(Vkt().desconectar(session_), 40063);
    const StatusRecord running = Estado();
    EXPECT_EQ(running.activity, 2u);
    EXPECT_STREQ(running.function, "VKTConectar");
    EXPECT_EQ(running.step, 1u);
    EXPECT_EQ(running.sessionId, static_cast<uint32_t>(session_));
    EXPECT_TRUE(HasError(Errors(), 40063));
    server_.Thaw();
    EXPECT_EQ(WaitForEnd().activity, 0u);
    EXPECT_EQ(Vkt().desconectar(session_), 0);
    session_ = 0;
}

// The session slot is machine-wide: a second process cannot open a session while this one
// holds it. The second process is this test program again, running ChildConnect.
TEST_F(ConnectTest, SecondProcessIsRefusedWhileTheSessionIsOpen) {
    ASSERT_TRUE(server_.Start());
    OpenSession();
    TempDir scratch;
    const std::string resultFile = scratch.path() + "/result";
    const std::string command = "VKT_E2E_SHM_PREFIX='" + ShmPrefix() +
                                "' VKT_E2E_CHILD_PORT=" + std::to_string(server_.port()) +
                                " VKT_E2E_CHILD_KEYS='" + keys() + "' VKT_E2E_CHILD_RESULT='" +
                                resultFile + "' /proc/" + std::to_string(getpid()) +
                                "/exe --gtest_filter=ChildProcess.ConnectOnce >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream result(resultFile);
    int32_t code = 0;
    ASSERT_TRUE(result >> code);
    EXPECT_EQ(code, 40033);
    EXPECT_EQ(Estado().activity, 0u);  // this process's session is untouched
    EXPECT_EQ(Vkt().desconectar(session_), 0);
    session_ = 0;
}

// With 30 ms timer periods, keep-alives leave and come back all through a session and its
// end: the session stays open (the watchdog sees the server's answers) and ends cleanly. Runs
// in a process of its own, since the period is read once per process.
TEST_F(ConnectTest, SessionLivesOnKeepAlives) {
    ASSERT_TRUE(server_.Start());
    const std::string command =
        "VKT_TIMER_PERIOD_MS=150 VKT_E2E_KEEPALIVE_PORT=" + std::to_string(server_.port()) +
        " VKT_E2E_CHILD_KEYS='" + keys() + "' /proc/" + std::to_string(getpid()) +
        "/exe --gtest_filter=ChildProcess.KeepAlives >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

// The second process of SessionLivesOnKeepAlives; skipped on its own.
TEST(ChildProcess, KeepAlives) {
    const char* port = std::getenv("VKT_E2E_KEEPALIVE_PORT");
    const char* keys = std::getenv("VKT_E2E_CHILD_KEYS");
    if (port == nullptr || keys == nullptr) {
        GTEST_SKIP() << "runs as the second process of SessionLivesOnKeepAlives";
    }
    for (int round = 0; round < 3; ++round) {
        int32_t session = 0;
        ASSERT_EQ(Connect(std::atoi(port), keys, kUser, kPassword, &session), 0);
        ASSERT_EQ(WaitForEnd().activity, 0u);
        // Several keep-alive periods: the watchdog would end a session whose keep-alives went
        // unanswered after two.
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        const StatusRecord status = Estado();
        EXPECT_EQ(status.activity, 0u);
        EXPECT_TRUE(Errors().empty());
        EXPECT_EQ(Vkt().desconectar(session), 0);
    }
}

// The second process of SecondProcessIsRefusedWhileTheSessionIsOpen; skipped on its own.
TEST(ChildProcess, ConnectOnce) {
    const char* port = std::getenv("VKT_E2E_CHILD_PORT");
    const char* keys = std::getenv("VKT_E2E_CHILD_KEYS");
    const char* resultFile = std::getenv("VKT_E2E_CHILD_RESULT");
    if (port == nullptr || keys == nullptr || resultFile == nullptr) {
        GTEST_SKIP() << "runs as the second process of SecondProcessIsRefusedWhileTheSessionIsOpen";
    }
    const int32_t code = Connect(std::atoi(port), keys);
    std::ofstream(resultFile) << code << "\n";
    WaitForEnd();
    const int32_t held = static_cast<int32_t>(Estado().sessionId);
    if (code == 0) Vkt().desconectar(held);
}

}  // namespace
}  // namespace vkt::e2e
