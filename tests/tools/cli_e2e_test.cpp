// vkt run as a process against a real vkt-server, with keys made by vkt-keygen.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "cli_process.h"

namespace vkt::cli::test {
namespace {

constexpr char kUser[] = "ANA";
constexpr char kPassword[] = "CLAVE";

std::string RandomBytes(std::size_t size) {
    std::mt19937 generator(20240131);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(generator());
    return bytes;
}

// A type "A" record file: 38-byte header, body records ending in CR LF, 38-byte footer.
std::string FormattedFile(const std::string& name, const std::vector<std::string>& records,
                          std::string* body) {
    body->clear();
    for (const std::string& record : records) *body += record + "\r\n";
    char count[16];
    std::snprintf(count, sizeof count, "%09zu", records.size());
    std::string padded = name;
    padded.resize(10, ' ');
    const std::string fields = "A" + padded + "20240131" + "235959" + count + "\r\n";
    return "00" + fields + *body + "99" + fields;
}

class CliTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        keys_ = new TempDir;
        keysMade_ = MakeKey(keys_->path(), kUser, kPassword);
    }
    static void TearDownTestSuite() {
        delete keys_;
        keys_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(keysMade_);
        WriteFile(server_.users() + "/ANA.pub", ReadFile(keys_->path() + "/ANA.pub"));
        WriteFile(work_.path() + "/answers", "nomina\tImporte,8,N;Concepto,12\n");
        ASSERT_TRUE(server_.Start({"--answers", work_.path() + "/answers"}));
    }

    // vkt with the connection options for the test server.
    VktRun Vkt(std::vector<std::string> args, std::map<std::string, std::string> env = {},
               const std::function<void(const std::string&, pid_t)>& watch = nullptr) {
        for (const char* option : {"--server", "127.0.0.1", "--user", kUser, "--timeout", "30"}) {
            args.push_back(option);
        }
        args.push_back("--port");
        args.push_back(std::to_string(server_.port()));
        args.push_back("--keys");
        args.push_back(keys_->path());
        env.emplace("VKT_PASSWORD", kPassword);
        return RunVkt(args, env, watch);
    }

    std::string Path(const std::string& name) const { return work_.path() + "/" + name; }

    static TempDir* keys_;
    static bool keysMade_;
    Server server_;
    TempDir work_;
};

TempDir* CliTest::keys_ = nullptr;
bool CliTest::keysMade_ = false;

TEST_F(CliTest, SendsAFormattedFileWithTheFieldAnswers) {
    std::string body;
    WriteFile(Path("nomina.txt"), FormattedFile("NOMINA",
                                                {"0001 Perez", "0002 Gomez",
                                                 "0003 Iba\xF1"
                                                 "ez"},
                                                &body));

    const VktRun verified = Vkt({"verify", Path("nomina.txt")});
    EXPECT_EQ(verified.status, 0) << verified.err;
    EXPECT_EQ(verified.out, "Importe,8,N;Concepto,12\n");

    const VktRun sent =
        Vkt({"send", Path("nomina.txt"), "--field", "Importe=125", "--field", "concepto=Pago"});
    ASSERT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(ReadFile(server_.inbox() + "/ANA/nomina"), body);  // header and footer stay here
    EXPECT_TRUE(server_.LogShows("send request nomina, additional: 00000125Pago        \n"))
        << server_.Log();
}

TEST_F(CliTest, MissingOrUnfitFieldStopsBeforeAnythingIsSent) {
    std::string body;
    WriteFile(Path("nomina.txt"), FormattedFile("NOMINA", {"0001"}, &body));
    struct Case {
        std::vector<std::string> fields;
        const char* expected;
    };
    const Case cases[] = {
        {{"Importe=125"}, "Concepto (text, up to 12)  <- missing"},
        {{}, "Importe (digits, up to 8)  <- missing"},
        {{"Importe=12.5", "Concepto=Pago"}, "Importe: digits only"},
        {{"Importe=1", "Concepto=Pago de haberes"}, "Concepto: at most 12 characters"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"send", Path("nomina.txt")};
        for (const std::string& field : c.fields) {
            args.push_back("--field");
            args.push_back(field);
        }
        const VktRun run = Vkt(args);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_NE(run.err.find(c.expected), std::string::npos) << run.err;
    }
    EXPECT_TRUE(server_.LogShows("disconnect notice"));
    EXPECT_EQ(server_.Log().find("send request"), std::string::npos) << server_.Log();
    EXPECT_FALSE(Exists(server_.inbox() + "/ANA/nomina"));
}

TEST_F(CliTest, SendsAPlainFileWholeWithoutAdditionalText) {
    const std::string data = RandomBytes(20000);
    WriteFile(Path("Datos.2024.bin"), data);
    const VktRun sent = Vkt({"send", Path("Datos.2024.bin"), "--plain"});
    ASSERT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(ReadFile(server_.inbox() + "/ANA/datos"), data);
    EXPECT_TRUE(server_.LogShows("send request datos\n")) << server_.Log();
}

TEST_F(CliTest, GetsAFileWithTheConfigurationFileAlone) {
    const std::string data = RandomBytes(20000);
    mkdir((server_.outbox() + "/ANA").c_str(), 0700);
    WriteFile(server_.outbox() + "/ANA/informe.bin", data);
    mkdir(Path("home").c_str(), 0700);
    mkdir(Path("in").c_str(), 0700);
    WriteFile(Path("home/VKT32.cnf"), "127.0.0.1," + std::to_string(server_.port()) + ",30," +
                                          kUser + "," + keys_->path() + "\n");
    const std::map<std::string, std::string> env = {{"VKT_HOME", Path("home")},
                                                    {"VKT_PASSWORD", kPassword}};

    const VktRun got = RunVkt({"get", "informe.bin", "--to", Path("in/")}, env);
    ASSERT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(ReadFile(Path("in/informe.bin")), data);

    const VktRun absent = RunVkt({"get", "ausente.bin", "--to", Path("in")}, env);
    EXPECT_EQ(absent.status, 1);
    EXPECT_NE(absent.err.find("40050 Archivo no encontrado"), std::string::npos) << absent.err;
    EXPECT_FALSE(Exists(Path("in/ausente.bin")));
}

// vkt get never destroys an older file of the requested name: not for a name the server does
// not hold, not for a transfer cut short by Ctrl-C (the server frozen in the middle of a
// large file); neither leaves a part file. A name that would leave the folder is refused with
// 40053 before the server hears of it.
TEST_F(CliTest, GetKeepsTheOlderFileUnlessTheNewOneArrivedWhole) {
    mkdir(Path("in").c_str(), 0700);
    const std::string older = Path("in/precious.txt");
    WriteFile(older, "precioso");

    const VktRun absent = Vkt({"get", "precious.txt", "--to", Path("in")});
    EXPECT_EQ(absent.status, 1) << absent.err;
    EXPECT_EQ(ReadFile(older), "precioso");

    const VktRun outside = Vkt({"get", "../x", "--to", Path("in")});
    EXPECT_EQ(outside.status, 1);
    EXPECT_NE(outside.err.find("40053 "), std::string::npos) << outside.err;
    EXPECT_FALSE(Exists(Path("x")));
    EXPECT_EQ(server_.Log().find("request for ../x"), std::string::npos) << server_.Log();

    mkdir((server_.outbox() + "/ANA").c_str(), 0700);
    WriteFile(server_.outbox() + "/ANA/precious.txt", RandomBytes(32 << 20));
    bool interrupted = false;
    const VktRun cut = Vkt(
        {"get", "precious.txt", "--to", Path("in")}, {}, [&](const std::string& err, pid_t pid) {
            if (!interrupted && err.find("receiving the file") != std::string::npos) {
                server_.Freeze();
                kill(pid, SIGINT);
                interrupted = true;
            }
        });
    server_.Thaw();
    ASSERT_TRUE(interrupted) << cut.err;
    EXPECT_EQ(cut.status, 130) << cut.err;
    EXPECT_EQ(ReadFile(older), "precioso");
    EXPECT_EQ(testing::ListFolder(Path("in")), std::vector<std::string>{"precious.txt"});
}

TEST_F(CliTest, RefusedConnectionsExitWithTheLibrarysCode) {
    const VktRun wrong = Vkt({"verify", Path("x")}, {{"VKT_PASSWORD", "OTRA"}});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("2604 Contrase\xC3\xB1"
                             "a incorrecta"),
              std::string::npos)
        << wrong.err;

    const VktRun closed =
        RunVkt({"get", "x", "--to", work_.path(), "--server", "127.0.0.1", "--port",
                std::to_string(ClosedPort()), "--user", kUser, "--keys", keys_->path()},
               {{"VKT_PASSWORD", kPassword}});
    EXPECT_EQ(closed.status, 1);
    EXPECT_NE(closed.err.find("110061 "), std::string::npos) << closed.err;
}

TEST_F(CliTest, LibraryAndPasswordProblemsHaveTheirOwnStatus) {
    const VktRun absent = Vkt({"verify", Path("x")}, {{"VKT_LIBRARY", "/nonexistent/libVKT32.so"}});
    EXPECT_EQ(absent.status, 3);
    EXPECT_NE(absent.err.find("/nonexistent/libVKT32.so"), std::string::npos) << absent.err;

    const VktRun other = Vkt({"verify", Path("x")}, {{"VKT_LIBRARY", "libm.so.6"}});
    EXPECT_EQ(other.status, 3);
    EXPECT_NE(other.err.find("VKTConectar"), std::string::npos) << other.err;

    // No variable and no terminal to ask on.
    const VktRun noPassword =
        RunVkt({"verify", Path("x"), "--server", "127.0.0.1", "--port", "1", "--user", kUser},
               {{"VKT_PASSWORD", ""}});
    EXPECT_EQ(noPassword.status, 2);
    EXPECT_NE(noPassword.err.find("VKT_PASSWORD"), std::string::npos) << noPassword.err;

    const VktRun notLatin1 = Vkt({"verify", Path("x")}, {{"VKT_PASSWORD", "\xE2\x82\xAC"}});
    EXPECT_EQ(notLatin1.status, 2);
    EXPECT_EQ(server_.Log().find("connect request"), std::string::npos) << server_.Log();
}

TEST_F(CliTest, CtrlCDuringATransferClosesTheSession) {
    WriteFile(Path("grande.bin"), RandomBytes(1 << 20));
    bool interrupted = false;
    const VktRun run =
        Vkt({"send", Path("grande.bin"), "--plain"}, {}, [&](const std::string& err, pid_t pid) {
            if (!interrupted && err.find("sending the file") != std::string::npos) {
                kill(pid, SIGINT);
                interrupted = true;
            }
        });
    ASSERT_TRUE(interrupted) << run.err;
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_TRUE(server_.LogShows("transfer of grande dropped")) << server_.Log();
    EXPECT_FALSE(Exists(server_.inbox() + "/ANA/grande"));

    // The session was given back: the next run opens one at once.
    WriteFile(Path("chico.bin"), "chico");
    const VktRun next = Vkt({"send", Path("chico.bin"), "--plain"});
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_EQ(ReadFile(server_.inbox() + "/ANA/chico"), "chico");
}

}  // namespace
}  // namespace vkt::cli::test
