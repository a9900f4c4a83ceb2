// vkt-server against a client that breaks every rule, for a fixed number of rounds from a fixed
// seed: wrong lengths, truncated frames, unknown kinds, frames out of order, oversized
// declarations and random bytes. The server stays up, stores nothing it should not and serves
// a well-behaved session afterwards.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <random>

#include "server/server_fixture.h"

namespace vkt::server::test {
namespace {

constexpr int kRounds = 160;

class HostileClient {
  public:
    explicit HostileClient(std::uint32_t seed) : random_(seed) {}

    // One connection, one kind of abuse; the client then leaves without a word.
    void Round(int port) {
        WireClient client;
        if (!client.Connect(port)) return;
        switch (Pick(9)) {
            case 0:  // random bytes
                Raw(&client, Bytes(1 + Pick(300)));
                break;
            case 1: {  // a length field that is not four digits, or 0
                const char* lengths[] = {"00a1", "-001", "0000", "    ", "99999"};
                Raw(&client, std::string("\x01") + "11 " + lengths[Pick(5)] + "ana\x04");
                break;
            }
            case 2:  // a frame cut short, or its end mark wrong
                Raw(&client, std::string("\x01") + "11 0500" + Bytes(Pick(499)));
                if (Pick(2) == 0) Raw(&client, std::string("\x01") + "11 0004ana\x05");
                break;
            case 3:  // unknown characteristics and types
                client.Send(static_cast<char>(Pick(256)), static_cast<char>(Pick(256)),
                            Bytes(Pick(40)));
                break;
            case 4: {  // out of order
                const char* orders[][2] = {{"1Z", "11"}, {"2T", "2S"}, {"11", "11"}, {"2Q", "1Z"}};
                for (const char* kind : orders[Pick(4)]) client.Send(kind[0], kind[1], "ana");
                break;
            }
            case 5:  // an oversized declaration
                if (client.OpenSession(kUser, TestKey()) && client.SendSealed('F', "enorme"))
                    client.SendSealed('T', "9999999999" + Bytes(Pick(8000)));
                break;
            case 6:  // garbage in an open session, sealed or not
                if (!client.OpenSession(kUser, TestKey())) break;
                for (int i = 0; i < 4; ++i) {
                    const char type = "QFTPSX"[Pick(6)];
                    if (Pick(2) == 0)
                        client.SendSealed(type, Bytes(Pick(60)));
                    else
                        client.Send('2', type, Bytes(Pick(60)));
                }
                break;
            case 7: {  // a well-signed file under a name with a control byte
                if (!client.OpenSession(kUser, TestKey())) break;
                const std::string name = static_cast<char>(Pick(32)) + Bytes(Pick(12));
                std::string answer;
                client.SendFile(name, Bytes(Pick(100)), TestKey(), &answer);
                break;
            }
            default:  // a transfer whose signature is noise or that stops short
                if (!client.OpenSession(kUser, TestKey()) || !client.SendSealed('F', "falso"))
                    break;
                client.SendSealed('T', "0000000100" + Bytes(50 + Pick(51)));
                client.Send('2', 'S', Bytes(Pick(300)));
                break;
        }
    }

  private:
    std::size_t Pick(std::size_t bound) { return random_() % bound; }
    std::string Bytes(std::size_t size) {
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(random_());
        return bytes;
    }
    static void Raw(WireClient* client, const std::string& bytes) {
        send(client->descriptor(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }

    std::mt19937 random_;
};

TEST_F(ServerTest, SurvivesAHostileClientAndServesAfterwards) {
    StartServer({"--max-sessions", "64"});
    HostileClient hostile(20261210);
    for (int round = 0; round < kRounds; ++round) hostile.Round(server_.port());

    int status = 0;
    ASSERT_EQ(waitpid(server_.pid(), &status, WNOHANG), 0) << server_.Log();

    WireClient client;
    Open(&client);
    std::string answer;
    EXPECT_EQ(client.SendFile("bueno", Pattern(20000), TestKey(), &answer), 'O') << answer;
    PutInOutbox("salida", Pattern(9000));
    std::string contents, digest, report;
    ASSERT_TRUE(client.RequestFile("salida", &contents, &digest, &report)) << report;
    EXPECT_EQ(contents, Pattern(9000));

    // Only the good file is stored, and no transfer of the rounds is left half-written.
    EXPECT_EQ(InboxOnceItHolds(1), std::vector<std::string>{"bueno"});
    EXPECT_EQ(ReadWholeFile(Inbox("bueno")), Pattern(20000));
    EXPECT_TRUE(server_.LogShows("signature good", 1));
    EXPECT_FALSE(server_.LogShows("signature good", 2));
}

}  // namespace
}  // namespace vkt::server::test
