// vkt-server end to end: connect, verify, send and request over real sockets.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/des.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "server/server_fixture.h"

namespace vkt::server::test {
namespace {

// The server's own end of the client's connection, copied out of the server process; -1 when
// the platform does not let this process take it.
int ServerEndOf(pid_t server, int clientSocket) {
    sockaddr_storage ours{};
    socklen_t oursSize = sizeof ours;
    if (getsockname(clientSocket, reinterpret_cast<sockaddr*>(&ours), &oursSize) != 0) return -1;
    const int process = static_cast<int>(syscall(SYS_pidfd_open, server, 0));
    if (process < 0) return -1;
    int found = -1;
    for (const std::string& entry : ListFolder("/proc/" + std::to_string(server) + "/fd")) {
        const int copy =
            static_cast<int>(syscall(SYS_pidfd_getfd, process, std::atoi(entry.c_str()), 0));
        if (copy < 0) continue;
        sockaddr_storage peer{};
        socklen_t peerSize = sizeof peer;
        if (getpeername(copy, reinterpret_cast<sockaddr*>(&peer), &peerSize) == 0 &&
            peerSize == oursSize && std::memcmp(&peer, &ours, oursSize) == 0) {
            found = copy;
            break;
        }
        close(copy);
    }
    close(process);
    return found;
}

TEST_F(ServerTest, PrintsListeningLineAndAnswersKeepAlive) {
    StartServer();
    EXPECT_EQ(server_.listeningLine(), "listening on 127.0.0.1:" + std::to_string(server_.port()));
    WireClient client;
    Open(&client);
    ASSERT_TRUE(client.Send('1', '0', ""));
    WireFrame frame;
    ASSERT_TRUE(client.Receive(&frame));
    EXPECT_EQ(frame.characteristic, '1');
    EXPECT_EQ(frame.type, '0');
    EXPECT_EQ(frame.data, "");
}

// Each frame leaves as soon as it is written: a small frame behind a large one (the digest
// after the last block of a request) does not wait for the client's acknowledgement.
TEST_F(ServerTest, SessionSocketsSendWithoutDelay) {
    StartServer();
    WireClient client;
    Open(&client);
    const int serverEnd = ServerEndOf(server_.pid(), client.descriptor());
    if (serverEnd < 0) GTEST_SKIP() << "cannot take the server's socket: " << strerror(errno);
    int noDelay = 0;
    socklen_t size = sizeof noDelay;
    EXPECT_EQ(getsockopt(serverEnd, IPPROTO_TCP, TCP_NODELAY, &noDelay, &size), 0);
    EXPECT_NE(noDelay, 0);
    close(serverEnd);
}

// The envelope carries the configured cipher, its key length and an 8-byte vector; the key
// really is the session key (the server opens what the client seals with it).
TEST_F(ServerTest, EnvelopeCarriesSessionKeyForEachCipher) {
    const struct {
        const char* cipher;
        std::size_t keyLength;
    } cases[] = {{"101", 8}, {"102", 16}, {"103", 24}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cipher);
        ServerProcess server;
        WritePublicKey(TestKey(), server.users(), kUser);
        ASSERT_TRUE(server.Start({"--cipher", c.cipher, "--line", "9600,1024"})) << server.Log();
        WireClient client;
        ASSERT_TRUE(client.Connect(server.port()));
        ASSERT_TRUE(client.OpenSession(kUser, TestKey())) << server.Log();
        EXPECT_EQ(client.envelope().bits, 1024);
        EXPECT_EQ(client.envelope().cipher, std::atoi(c.cipher));
        EXPECT_EQ(client.envelope().key.size(), c.keyLength);
        EXPECT_EQ(client.envelope().vector.size(), 8u);
        // OpenSSL judges the key: odd parity, no weak or semi-weak part, no repeated part.
        const auto& key = client.envelope().key;
        for (std::size_t part = 0; part + 8 <= key.size(); part += 8) {
            DES_cblock block;
            std::memcpy(block, key.data() + part, 8);
            EXPECT_EQ(DES_check_key_parity(&block), 1);
            EXPECT_EQ(DES_is_weak_key(&block), 0);
            for (std::size_t earlier = 0; earlier < part; earlier += 8)
                EXPECT_NE(std::memcmp(key.data() + earlier, block, 8), 0);
        }
        EXPECT_EQ(client.lineParameters(), "9600,1024");
        ASSERT_TRUE(client.SendSealed('Q', "nomina"));
        char type = 0;
        std::string answer;
        ASSERT_TRUE(client.ReceiveSealed(&type, &answer));
        EXPECT_EQ(type, '9');
        EXPECT_EQ(answer.substr(0, 6), "40068-");
    }
}

TEST_F(ServerTest, UnknownUserGets40007) {
    StartServer();
    for (const std::string user : {"nadie", "../users/ana", ""}) {
        SCOPED_TRACE(user);
        WireClient client;
        ASSERT_TRUE(client.Connect(server_.port()));
        WireFrame refusal;
        EXPECT_FALSE(client.OpenSession(user, TestKey(), &refusal));
        EXPECT_EQ(refusal.type, '9');
        EXPECT_EQ(refusal.data.substr(0, 6), "40007-");
        EXPECT_TRUE(client.WaitForClose(5000));
    }
}

// A public key written by the real key generator is accepted.
TEST_F(ServerTest, AcceptsKeyOfTheKeyGenerator) {
    const std::string password = server_.root() + "/password";
    WriteWholeFile(password, "clave\n");
    const std::string command = std::string(VKT_KEYGEN_PATH) + " --bits 512 --out '" +
                                server_.users() + "' --password-file '" + password +
                                "' luis >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_TRUE(server_.Start());
    WireClient client;
    ASSERT_TRUE(client.Connect(server_.port()));
    ASSERT_TRUE(client.Send('1', '1', "luis"));
    ASSERT_TRUE(client.Send('1', 'Z', ""));
    WireFrame frame;
    ASSERT_TRUE(client.Receive(&frame));
    EXPECT_EQ(frame.type, '2');
    EXPECT_EQ(frame.data.size(), 4u + 2 * 64);
    EXPECT_EQ(frame.data.substr(0, 4), "0200");
}

// Start-up problems end the server with a message, before it listens.
TEST(ServerStartTest, RefusesBadSetUp) {
    const struct {
        const char* modules;  // OPENSSL_MODULES for the server, or null
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {"/nonexistent", {"--cipher", "101"}, "needs OpenSSL's legacy provider"},
        {nullptr, {"--answers", "/nonexistent/answers"}, "cannot read /nonexistent/answers"},
        {nullptr, {"--line", "9600"}, "--line: '9600' is not RATE,SIZE"},
        {nullptr, {"--log-format", "xml"}, "--log-format: 'xml' is not text or json"},
        {nullptr,
         {"--handshake-timeout", "0"},
         "--handshake-timeout: '0' is not a number of seconds"},
        {nullptr, {"--max-per-address", "x"}, "--max-per-address: 'x' is not a number"},
        {nullptr, {"--max-pending", "0"}, "--max-pending: '0' is not a number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        ServerProcess server;
        if (c.modules != nullptr) setenv("OPENSSL_MODULES", c.modules, 1);
        EXPECT_FALSE(server.Start(c.args));
        unsetenv("OPENSSL_MODULES");
        server.Stop();
        EXPECT_NE(server.Log().find(c.message), std::string::npos) << server.Log();
        EXPECT_FALSE(HasSanitizerReport(server.Log())) << server.Log();
    }
}

TEST_F(ServerTest, VerifyAnswersFromTheAnswersFile) {
    const std::string answers = server_.root() + "/answers";
    WriteWholeFile(answers,
                   "# name and answer\nnomina\tImporte,8,N;Concepto,12\r\n\n"
                   "cerrado\t40013-Sistema desconocido\n");
    StartServer({"--answers", answers});
    WireClient client;
    Open(&client);
    const struct {
        const char* name;
        char type;
        std::string text;
    } cases[] = {
        {"nomina", 'O', "Importe,8,N;Concepto,12"},
        {"cerrado", '9', "40013-Sistema desconocido"},
        {"otro", '9', "40068-No se requiere informaci\xF3n adicional"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(client.SendSealed('Q', c.name));
        char type = 0;
        std::string answer;
        ASSERT_TRUE(client.ReceiveSealed(&type, &answer));
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(answer, c.text);
    }
}

TEST_F(ServerTest, StoresSentFilesExactly) {
    StartServer();
    WireClient client;
    Open(&client);
    for (std::size_t size : {0u, 1u, 8192u, 8193u, 20000u}) {
        SCOPED_TRACE(size);
        const std::string name = "plano" + std::to_string(size);
        const std::string contents = Pattern(size);
        std::string answer;
        EXPECT_EQ(client.SendFile(name + ",Importe 00000125", contents, TestKey(), &answer), 'O')
            << answer;
        EXPECT_EQ(ReadWholeFile(Inbox(name)), contents);
    }
    EXPECT_NE(server_.Log().find("additional: Importe 00000125"), std::string::npos);
    EXPECT_EQ(ListFolder(server_.inbox() + "/" + kUser).size(), 5u);
}

// A refused signature, a short transfer or a block out of turn never touches the stored file.
TEST_F(ServerTest, FailedTransfersKeepTheOlderFile) {
    StartServer();
    WireClient client;
    Open(&client);
    std::string answer;
    ASSERT_EQ(client.SendFile("datos", "version 1", TestKey(), &answer), 'O');

    const std::string other = "0000000009otra cosa";
    EXPECT_EQ(client.SendFile("datos", "version 2", TestKey(), &answer, &other), '9');
    EXPECT_EQ(answer.substr(0, 6), "40036-");

    // Signature before all the announced bytes.
    ASSERT_TRUE(client.SendSealed('F', "datos"));
    WireFrame frame;
    ASSERT_TRUE(client.Receive(&frame));
    ASSERT_EQ(frame.type, 'O');
    ASSERT_TRUE(client.SendSealed('T', "0000000100short"));
    ASSERT_TRUE(client.Send('2', 'S', SignatureText(TestKey(), "0000000100short")));
    char type = 0;
    ASSERT_TRUE(client.ReceiveSealed(&type, &answer));
    EXPECT_EQ(type, '9');
    EXPECT_EQ(answer.substr(0, 6), "40005-");

    // A block with no send request before it.
    ASSERT_TRUE(client.SendSealed('T', "0000000001x"));
    ASSERT_TRUE(client.ReceiveSealed(&type, &answer));
    EXPECT_EQ(answer.substr(0, 6), "40005-");

    EXPECT_EQ(ReadWholeFile(Inbox("datos")), "version 1");
    EXPECT_EQ(ListFolder(server_.inbox() + "/" + kUser), std::vector<std::string>{"datos"});
}

// A client that leaves in the middle of a send leaves nothing in the inbox.
TEST_F(ServerTest, AbandonedTransferLeavesNothingBehind) {
    StartServer();
    {
        WireClient client;
        Open(&client);
        BeginTransfer(&client);
    }
    EXPECT_TRUE(InboxOnceItHolds(0).empty());
}

TEST_F(ServerTest, ServesRequestedFilesWithTheirDigest) {
    StartServer();
    WireClient client;
    Open(&client);
    for (std::size_t size : {0u, 1u, 8192u, 8193u, 300000u}) {
        SCOPED_TRACE(size);
        const std::string name = "salida" + std::to_string(size);
        PutInOutbox(name, Pattern(size));
        std::string contents, digest, report;
        std::vector<std::size_t> blocks;
        ASSERT_TRUE(client.RequestFile(name, &contents, &digest, &report, &blocks)) << report;
        EXPECT_EQ(contents, Pattern(size));
        EXPECT_EQ(digest, Md5Hex(contents));
        EXPECT_EQ(blocks.front(), 10 + std::min<std::size_t>(size, 8192));
        EXPECT_EQ(blocks.size(), std::max<std::size_t>(1, (size + 8191) / 8192));
    }
}

TEST_F(ServerTest, BlockSizeFollowsTheLineParameters) {
    StartServer({"--line", "0,1000"});
    WireClient client;
    Open(&client);
    PutInOutbox("corto", Pattern(2500));
    std::string contents, digest, report;
    std::vector<std::size_t> blocks;
    ASSERT_TRUE(client.RequestFile("corto", &contents, &digest, &report, &blocks));
    EXPECT_EQ(blocks, (std::vector<std::size_t>{1010, 1000, 500}));
}

TEST_F(ServerTest, MissingOrUnsafeNamesGetAnErrorReport) {
    StartServer();
    WriteWholeFile(server_.root() + "/secreto", "no");
    WireClient client;
    Open(&client);
    for (const std::string name : {"falta", "../../secreto", ".", ""}) {
        SCOPED_TRACE(name);
        std::string contents, digest, report;
        EXPECT_FALSE(client.RequestFile(name, &contents, &digest, &report));
        EXPECT_EQ(report.substr(0, 6), "40050-");
    }
    // A send request may not leave the user's inbox folder either.
    std::string answer;
    EXPECT_EQ(client.SendFile("../fuera", "x", TestKey(), &answer), '9');
    EXPECT_EQ(answer.substr(0, 6), "40005-");
    EXPECT_FALSE(FileExists(server_.inbox() + "/fuera"));
}

TEST_F(ServerTest, ServesTwoClientsAtOnce) {
    WritePublicKey(TestKey(), server_.users(), "beto");
    StartServer();
    PutInOutbox("grande", Pattern(100000));
    WireClient first, second;
    Open(&first);
    Open(&second, "beto");
    std::string results[2];
    std::thread other([&] {
        std::string answer;
        results[1] =
            second.SendFile("desde2", Pattern(50000), TestKey(), &answer) == 'O' ? "sent" : answer;
    });
    std::string contents, digest, report;
    results[0] = first.RequestFile("grande", &contents, &digest, &report) ? "got" : report;
    other.join();
    EXPECT_EQ(results[0], "got");
    EXPECT_EQ(contents, Pattern(100000));
    EXPECT_EQ(results[1], "sent");
    EXPECT_EQ(ReadWholeFile(server_.inbox() + "/beto/desde2"), Pattern(50000));
}

TEST_F(ServerTest, RefusesSessionsBeyondTheBound) {
    StartServer({"--max-sessions", "1"});
    WireClient first;
    Open(&first);
    WireClient second;
    ASSERT_TRUE(second.Connect(server_.port()));
    WireFrame refusal;
    EXPECT_FALSE(second.OpenSession(kUser, TestKey(), &refusal));
    EXPECT_EQ(refusal.type, '9');
    EXPECT_EQ(refusal.data.substr(0, 6), "40026-");
    // The first session is still served.
    ASSERT_TRUE(first.Send('1', '0', ""));
    WireFrame frame;
    EXPECT_TRUE(first.Receive(&frame));
}

TEST_F(ServerTest, EndsSilentSessionsAndLogsNotices) {
    StartServer({"--idle", "1"});
    WireClient quiet;
    Open(&quiet);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(quiet.WaitForClose(5000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));

    WireClient leaving;
    ASSERT_TRUE(leaving.Connect(server_.port()));
    ASSERT_TRUE(leaving.Send('1', '9', kUser));
    ASSERT_TRUE(leaving.Send('1', '8', ""));
    EXPECT_TRUE(leaving.WaitForClose(5000));
    const std::string log = server_.Log();
    EXPECT_NE(log.find("idle for 1 s, session ended"), std::string::npos) << log;
    EXPECT_NE(log.find("password-failure notice for ana"), std::string::npos) << log;
    EXPECT_NE(log.find("disconnect notice"), std::string::npos) << log;
}

}  // namespace
}  // namespace vkt::server::test
