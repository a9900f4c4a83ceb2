// vkt-server as an operator runs it: log lines that network texts cannot break or forge, the
// JSON log format, stops by SIGTERM and SIGINT, reloads by SIGHUP, partial files of a crash.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "server/server_fixture.h"

namespace vkt::server::test {
namespace {

// A name that tries every trick on a log line: a line break followed by a forged event, a
// control byte, Latin-1 "é", a byte that is neither UTF-8 nor printable Latin-1, UTF-8 "ñ"
// and an escape written out.
const std::string kHostileText =
    "uno\n2001-01-01T00:00:00.000+00:00 1.2.3.4:5 ana forged\x01\xE9\x80\xC3\xB1\\x41";
// How it must show: one line, escapes for the bytes that cannot be shown, é in UTF-8.
const std::string kHostileShown =
    "uno\\x0A2001-01-01T00:00:00.000+00:00 1.2.3.4:5 ana forged\\x01\xC3\xA9\\x80\xC3\xB1\\\\x41";

// The user as a text line shows it: one field, spaces escaped.
std::string UserField(const std::string& shown) {
    return std::regex_replace(shown, std::regex(" "), "\\x20");
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Decodes one line holding a flat JSON object of string values, as the server writes them;
// false when it is not such an object (bad quoting or escapes, raw control bytes, trailing text).
bool ParseFlatJson(const std::string& line, std::map<std::string, std::string>* fields) {
    std::size_t at = 0;
    const auto readString = [&](std::string* out) {
        if (at >= line.size() || line[at] != '"') return false;
        for (++at; at < line.size(); ++at) {
            const char c = line[at];
            if (c == '"') {
                ++at;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out->push_back(c);
                continue;
            }
            if (++at >= line.size()) return false;
            const char e = line[at];
            const std::string simple = "\"\\/bfnrt";
            const std::string meant = "\"\\/\b\f\n\r\t";
            if (simple.find(e) != std::string::npos) {
                out->push_back(meant[simple.find(e)]);
            } else if (e == 'u' && at + 4 < line.size()) {
                const std::string hex = line.substr(at + 1, 4);
                if (hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                    return false;
                const long code = std::strtol(hex.c_str(), nullptr, 16);
                if (code >= 0x80) return false;  // the server escapes control bytes only
                out->push_back(static_cast<char>(code));
                at += 4;
            } else {
                return false;
            }
        }
        return false;
    };
    if (line.empty() || line[at++] != '{') return false;
    for (;;) {
        std::string key, value;
        if (!readString(&key) || at >= line.size() || line[at++] != ':' || !readString(&value))
            return false;
        (*fields)[key] = value;
        if (at >= line.size()) return false;
        const char next = line[at++];
        if (next == '}') return at == line.size();
        if (next != ',') return false;
    }
}

class ServerOperationsTest : public ServerTest {
  protected:
    // The server's answer to a connect of user: "" for an open session, else the report.
    std::string ConnectAs(const std::string& user) {
        WireClient client;
        if (!client.Connect(server_.port())) return "no connection";
        WireFrame refusal;
        if (client.OpenSession(user, TestKey(), &refusal)) return "";
        return refusal.data.substr(0, 6);
    }
    std::string VerifyAnswer(WireClient* client, const std::string& name) {
        char type = 0;
        std::string answer;
        if (!client->SendSealed('Q', name) || !client->ReceiveSealed(&type, &answer))
            return "no answer";
        return answer;
    }
    // Sends a network text in every place a client can put one, each answered before the next.
    void SendHostileTexts() {
        WireClient client;
        Open(&client);
        EXPECT_NE(VerifyAnswer(&client, kHostileText), "no answer");
        WireFrame answer;
        for (const std::string& request : {kHostileText, "datos," + kHostileText}) {
            ASSERT_TRUE(client.SendSealed('F', request));
            ASSERT_TRUE(client.Receive(&answer));
        }
        std::string contents, digest, report;
        EXPECT_FALSE(client.RequestFile(kHostileText, &contents, &digest, &report));
        ASSERT_TRUE(client.Send('1', '9', kHostileText));
        ASSERT_TRUE(server_.LogShows("password-failure notice"));
        EXPECT_EQ(ConnectAs(kHostileText), "40007-");
        ASSERT_TRUE(server_.LogShows("unknown user, refused"));
    }
};

TEST_F(ServerOperationsTest, NetworkTextsAreLoggedEscapedOneLineAnEvent) {
    StartServer();
    SendHostileTexts();
    const std::string log = server_.Log();
    const std::regex stamp(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d \S+ \S+ .+$)");
    for (const std::string& line : Lines(log)) {
        SCOPED_TRACE(line);
        EXPECT_TRUE(std::regex_match(line, stamp));
        EXPECT_EQ(line.rfind("2001-01-01", 0), std::string::npos);
        EXPECT_EQ(line.find('\x01'), std::string::npos);
    }
    for (const std::string& event :
         {"verify " + kHostileShown + ": 40068-No se requiere informaci\xC3\xB3n adicional",
          "send request with an unusable name " + kHostileShown,
          "send request datos, additional: " + kHostileShown, "request for " + kHostileShown,
          "password-failure notice for " + kHostileShown,
          UserField(kHostileShown) + " unknown user"}) {
        EXPECT_NE(log.find(event), std::string::npos) << event << "\n" << log;
    }
}

TEST_F(ServerOperationsTest, JsonLogLinesAreObjectsWithTheTextsDecoded) {
    StartServer({"--log-format", "json"});
    SendHostileTexts();
    bool verifySeen = false;
    bool userSeen = false;
    for (const std::string& line : Lines(server_.Log())) {
        SCOPED_TRACE(line);
        std::map<std::string, std::string> fields;
        ASSERT_TRUE(ParseFlatJson(line, &fields));
        EXPECT_EQ(fields.size(), 4u);
        EXPECT_TRUE(std::regex_match(fields["time"],
                                     std::regex(R"(\d{4}-\d\d-\d\dT[\d:.]{12}[+-]\d\d:\d\d)")));
        verifySeen |= fields["event"] == "verify " + kHostileShown +
                                             ": 40068-No se requiere informaci\xC3\xB3n adicional";
        userSeen |= fields["user"] == kHostileShown && fields["event"] == "unknown user, refused";
    }
    EXPECT_TRUE(verifySeen) << server_.Log();
    EXPECT_TRUE(userSeen) << server_.Log();
}

// A stop ends every session at once (one in the middle of a send, one blocked sending to a
// client that does not read, an idle one, a connection without a session), removes what was
// being received and exits 0; an idle time-out of 300 s is never waited for.
TEST_F(ServerOperationsTest, TermAndIntStopWithSessionsRunning) {
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        ServerProcess server;
        WritePublicKey(TestKey(), server.users(), kUser);
        ASSERT_TRUE(server.Start()) << server.Log();
        const std::string outbox = server.outbox() + "/" + kUser;
        mkdir(outbox.c_str(), 0700);
        // Far more than the socket buffers of both ends hold.
        ASSERT_TRUE(WriteWholeFile(outbox + "/salida", std::string(24 << 20, 's')));
        WireClient sending, stalled, idle, unopened;
        ASSERT_TRUE(sending.Connect(server.port()));
        ASSERT_TRUE(sending.OpenSession(kUser, TestKey()));
        ASSERT_TRUE(idle.Connect(server.port()));
        ASSERT_TRUE(idle.OpenSession(kUser, TestKey()));
        ASSERT_TRUE(unopened.Connect(server.port()));
        ASSERT_TRUE(stalled.Connect(server.port()));
        ASSERT_TRUE(stalled.OpenSession(kUser, TestKey()));
        ASSERT_TRUE(stalled.SendSealed('P', "salida"));
        pollfd blocks{stalled.descriptor(), POLLIN, 0};
        ASSERT_EQ(poll(&blocks, 1, 10000), 1);  // the server is sending, and nobody reads
        ASSERT_TRUE(sending.SendSealed('F', "grande"));
        WireFrame accepted;
        ASSERT_TRUE(sending.Receive(&accepted));
        ASSERT_TRUE(sending.SendSealed('T', "0000100000" + std::string(8192, 'x')));
        // The partial file is there while the transfer runs.
        const std::string folder = server.inbox() + "/" + kUser;
        for (int i = 0; i < 500 && ListFolder(folder).empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(ListFolder(folder).size(), 1u);

        ASSERT_EQ(server.Log().find("served salida"), std::string::npos);
        EXPECT_EQ(server.StopWith(signal, 10000), 0) << server.Log();
        EXPECT_TRUE(ListFolder(folder).empty());
        EXPECT_TRUE(stalled.WaitForClose(10000));
        EXPECT_TRUE(sending.WaitForClose(5000));
        EXPECT_TRUE(idle.WaitForClose(5000));
        EXPECT_TRUE(unopened.WaitForClose(5000));
        EXPECT_NE(server.Log().find("stopped"), std::string::npos) << server.Log();
        EXPECT_FALSE(HasSanitizerReport(server.Log())) << server.Log();
    }
}

TEST_F(ServerOperationsTest, PartialFilesOfACrashAreRemovedAtStart) {
    for (const std::string& user : {std::string(kUser), std::string("beto")})
        mkdir((server_.inbox() + "/" + user).c_str(), 0700);
    const std::string anas = server_.inbox() + "/" + kUser + "/";
    WriteWholeFile(anas + ".receiving.datos.Ab12Cd", "half");
    WriteWholeFile(anas + "datos", "stored");
    WriteWholeFile(server_.inbox() + "/beto/.receiving.otro.Xy34Zw", "half");
    StartServer();
    EXPECT_EQ(ListFolder(anas), std::vector<std::string>{"datos"});
    EXPECT_EQ(ReadWholeFile(anas + "datos"), "stored");
    EXPECT_TRUE(ListFolder(server_.inbox() + "/beto").empty());
    EXPECT_NE(server_.Log().find("removed the partial file ana/.receiving.datos.Ab12Cd"),
              std::string::npos)
        << server_.Log();
}

// The keys are parsed at start: a key file spoiled afterwards changes nothing until SIGHUP.
TEST_F(ServerOperationsTest, KeysAreReadAtStartNotAtEachConnect) {
    StartServer();
    WriteWholeFile(server_.users() + "/" + kUser + ".pub", "not a key");
    EXPECT_EQ(ConnectAs(kUser), "");
    ASSERT_TRUE(server_.ReloadTables()) << server_.Log();
    EXPECT_EQ(ConnectAs(kUser), "40007-");
    EXPECT_NE(server_.Log().find("keys skipped, not usable: ana.pub"), std::string::npos);
}

// SIGHUP: new connects see the users and answers as they are now; a session open across it
// goes on with its key.
TEST_F(ServerOperationsTest, HangUpReloadsUsersAndAnswersWithoutDroppingSessions) {
    const std::string answers = server_.root() + "/answers";
    WriteWholeFile(answers, "nomina\tImporte,8,N\n");
    StartServer({"--answers", answers});
    WireClient open;
    Open(&open);
    EXPECT_EQ(VerifyAnswer(&open, "nomina"), "Importe,8,N");

    WritePublicKey(TestKey(), server_.users(), "beto");
    unlink((server_.users() + "/" + kUser + ".pub").c_str());
    WriteWholeFile(answers, "nomina\tConcepto,12\n");
    EXPECT_EQ(ConnectAs("beto"), "40007-");  // added after start: not yet
    ASSERT_TRUE(server_.ReloadTables()) << server_.Log();
    EXPECT_NE(server_.Log().find("keys of 1 users and answers read again"), std::string::npos);

    EXPECT_EQ(ConnectAs("beto"), "");
    EXPECT_EQ(ConnectAs(kUser), "40007-");
    WireClient beto;
    Open(&beto, "beto");
    EXPECT_EQ(VerifyAnswer(&beto, "nomina"), "Concepto,12");
    // The session open before still serves, and checks signatures with its user's key.
    EXPECT_EQ(VerifyAnswer(&open, "nomina"), "Concepto,12");
    std::string answer;
    EXPECT_EQ(open.SendFile("tras", "despues del SIGHUP", TestKey(), &answer), 'O') << answer;
    EXPECT_EQ(ReadWholeFile(server_.inbox() + "/" + kUser + "/tras"), "despues del SIGHUP");

    // A broken answers file keeps the answers before.
    WriteWholeFile(answers, "no tab here\n");
    ASSERT_TRUE(server_.ReloadTables()) << server_.Log();
    EXPECT_NE(server_.Log().find("kept what was read before"), std::string::npos);
    EXPECT_EQ(VerifyAnswer(&beto, "nomina"), "Concepto,12");
}

// Reloads while sessions open and use their keys: every connect of a user who stays gets its
// session, and every one of its files is stored.
TEST_F(ServerOperationsTest, ReloadsWhileClientsConnectKeepServing) {
    StartServer();
    constexpr int kClients = 3;
    constexpr int kRounds = 15;
    std::atomic<int> served{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            for (int round = 0; round < kRounds; ++round) {
                WireClient client;
                std::string answer;
                const std::string name = "f" + std::to_string(c) + "_" + std::to_string(round);
                if (client.Connect(server_.port()) && client.OpenSession(kUser, TestKey()) &&
                    client.SendFile(name, name, TestKey(), &answer) == 'O')
                    ++served;
            }
        });
    }
    for (int reload = 0; reload < 10; ++reload) EXPECT_TRUE(server_.ReloadTables());
    for (std::thread& client : clients) client.join();
    EXPECT_EQ(served, kClients * kRounds) << server_.Log();
    EXPECT_EQ(ListFolder(server_.inbox() + "/" + kUser).size(),
              static_cast<std::size_t>(kClients * kRounds));
}

}  // namespace
}  // namespace vkt::server::test
