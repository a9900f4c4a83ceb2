// vkt run as a process against a real vkt-server, with keys made by vkt-keygen.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdio>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "cli_fixture.h"

namespace vkt::cli::test {
namespace {

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
    // The password from a file; -q leaves standard error to errors alone.
    WriteFile(Path("password"), std::string(kPassword) + "\n");
    const VktRun sent =
        Vkt({"send", Path("Datos.2024.bin"), "--plain", "-q", "--password-file", Path("password")},
            {{"VKT_PASSWORD", ""}});
    ASSERT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(sent.err, "");
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

    const VktRun got = RunVkt({"get", "informe.bin", "--to", Path("in/"), "--verbose"}, env);
    ASSERT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(ReadFile(Path("in/informe.bin")), data);
    // -v: the steps as the polls saw them, each with its name and bytes.
    EXPECT_TRUE(std::regex_search(
        got.err, std::regex("(^|\n)vkt: step [0-9]+ \\([a-z ]+\\): [0-9]+ of [0-9]+ bytes\n")))
        << got.err;

    const VktRun absent = RunVkt({"get", "ausente.bin", "--to", Path("in")}, env);
    EXPECT_EQ(absent.status, 1);
    EXPECT_NE(absent.err.find(": [40050] Archivo no encontrado"), std::string::npos) << absent.err;
    EXPECT_FALSE(Exists(Path("in/ausente.bin")));
}

// vkt get never destroys an older file of the requested name: not for a name the server does
// not hold, not for a transfer cut short by Ctrl-C (the server frozen in the middle of a
// large file); neither leaves a part file. A NAME that is no single file name is refused
// before the library is loaded (a missing one would exit 3) or the server is reached.
TEST_F(CliTest, GetKeepsTheOlderFileUnlessTheNewOneArrivedWhole) {
    mkdir(Path("in").c_str(), 0700);
    const std::string older = Path("in/precious.txt");
    WriteFile(older, "precioso");

    for (const char* name : {"a/b", "../x", "/etc/passwd", "a\\b", ".", ".."}) {
        const VktRun refused =
            Vkt({"get", name, "--to", Path("in")}, {{"VKT_LIBRARY", "/nonexistent/libVKT32.so"}});
        EXPECT_EQ(refused.status, 2) << name << ": " << refused.err;
        EXPECT_NE(refused.err.find("vkt: get: NAME must be a single file name"), std::string::npos)
            << refused.err;
        EXPECT_NE(refused.err.find(std::string("'") + name + "'"), std::string::npos)
            << refused.err;
    }
    EXPECT_FALSE(Exists(Path("x")));
    EXPECT_EQ(server_.Log().find("connected"), std::string::npos) << server_.Log();

    const VktRun absent = Vkt({"get", "precious.txt", "--to", Path("in")});
    EXPECT_EQ(absent.status, 1) << absent.err;
    EXPECT_EQ(ReadFile(older), "precioso");

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

TEST_F(CliTest, AWrongPasswordIsAUsageError) {
    const VktRun wrong = Vkt({"verify", Path("x")}, {{"VKT_PASSWORD", "OTRA"}});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.err.find(" as ANA: [2604] Contrase\xC3\xB1"
                             "a incorrecta"),
              std::string::npos)
        << wrong.err;
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

// The three programs share their command-line conventions: --version on standard output, and
// an unknown option or a bad number is a usage error (2) that names it.
TEST(ProgramsTest, AnswerVersionAndRefuseBadCommandLines) {
    const struct {
        const char* path;
        std::vector<std::string> args;
        int status;
        const char* out;
        const char* err;
    } cases[] = {
        {VKT_CLI_PATH, {"--version"}, 0, "vkt 1.0.0\n", ""},
        {VKT_SERVER_PATH, {"--version"}, 0, "vkt-server 1.0.0\n", ""},
        {VKT_KEYGEN_PATH, {"--version"}, 0, "vkt-keygen 1.0.0\n", ""},
        {VKT_CLI_PATH, {"verify", "f", "--colour=red"}, 2, "", "vkt: unknown option --colour\n"},
        {VKT_SERVER_PATH, {"--port", "0", "-x"}, 2, "", "vkt-server: unknown option -x\n"},
        {VKT_KEYGEN_PATH, {"--bitz", "512", "EVA"}, 2, "", "vkt-keygen: unknown option --bitz\n"},
        {VKT_CLI_PATH,
         {"get", "f", "--to", "d", "--timeout", "abc"},
         2,
         "",
         "vkt: --timeout: 'abc' is not a number of seconds\n"},
        {VKT_SERVER_PATH,
         {"--idle=abc"},
         2,
         "",
         "vkt-server: --idle: 'abc' is not a number of seconds from 1 to 86400\n"},
        {VKT_KEYGEN_PATH,
         {"--bits", "abc", "EVA"},
         2,
         "",
         "vkt-keygen: --bits: 'abc' is not a number of bits from 512 to 4096\n"},
    };
    for (const auto& c : cases) {
        const VktRun run = RunProgram(c.path, c.args, {{"VKT_PASSWORD", "CLAVE"}});
        SCOPED_TRACE(std::string(c.path) + " " + ::testing::PrintToString(c.args));
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1), c.err);
    }
}

// --progress always on a 40-column terminal: every rewrite of the line (the text from a carriage
// return to the next one or to the end of the line) leaves the last column alone, and the line
// is finished before vkt's next message. --progress never shows none of it.
TEST_F(CliTest, ProgressFitsANarrowTerminalOrStaysAway) {
    WriteFile(Path("grande.bin"), RandomBytes(1 << 20));
    const VktRun shown =
        Vkt({"send", Path("grande.bin"), "--plain", "--progress", "always"}, {{"COLUMNS", "40"}});
    ASSERT_EQ(shown.status, 0) << shown.err;
    std::size_t rewrites = 0;
    for (std::size_t at = shown.err.find('\r'); at != std::string::npos;
         at = shown.err.find('\r', at + 1)) {
        const std::size_t end = shown.err.find_first_of("\r\n", at + 1);
        ASSERT_NE(end, std::string::npos) << "the line was not finished: " << shown.err;
        std::string text = shown.err.substr(at + 1, end - at - 1);
        const std::string clear = "\033[K";
        ASSERT_TRUE(text.size() >= clear.size() &&
                    text.compare(text.size() - clear.size(), clear.size(), clear) == 0)
            << text;
        text.resize(text.size() - clear.size());
        EXPECT_LE(text.size(), 39u) << text;
        EXPECT_EQ(text.rfind("vkt: ", 0), 0u) << text;
        ++rewrites;
    }
    EXPECT_GT(rewrites, 0u) << shown.err;
    // Too narrow for the stage's name: the percent and bytes stay.
    EXPECT_TRUE(std::regex_search(shown.err, std::regex("\rvkt: [0-9]+% [0-9.]+ [KM]?i?B/1.0 MiB")))
        << shown.err;

    const VktRun hidden =
        Vkt({"send", Path("grande.bin"), "--plain", "--progress", "never"}, {{"COLUMNS", "40"}});
    ASSERT_EQ(hidden.status, 0) << hidden.err;
    EXPECT_EQ(hidden.err.find('\r'), std::string::npos) << hidden.err;
    for (const char* stage : {"checking the file", "sending the file", "awaiting the server"}) {
        EXPECT_EQ(hidden.err.find(stage), std::string::npos) << hidden.err;
    }
}

// SIGINT (Ctrl-C) and SIGTERM in the middle of a transfer: the session is closed, the server
// drops the transfer, and the exit status tells which signal it was.
TEST_F(CliTest, ASignalDuringATransferClosesTheSession) {
    WriteFile(Path("grande.bin"), RandomBytes(1 << 20));
    WriteFile(Path("chico.bin"), "chico");
    const std::pair<int, int> cases[] = {{SIGINT, 130}, {SIGTERM, 143}};
    int dropped = 0;
    for (const auto& [signal, status] : cases) {
        bool interrupted = false;
        const VktRun run = Vkt(
            {"send", Path("grande.bin"), "--plain"}, {}, [&](const std::string& err, pid_t pid) {
                if (!interrupted && err.find("sending the file") != std::string::npos) {
                    kill(pid, signal);
                    interrupted = true;
                }
            });
        ASSERT_TRUE(interrupted) << run.err;
        EXPECT_EQ(run.status, status) << run.err;
        EXPECT_TRUE(server_.LogShows("transfer of grande dropped", ++dropped)) << server_.Log();
        EXPECT_FALSE(Exists(server_.inbox() + "/ANA/grande"));

        // The session was given back: the next run opens one at once.
        const VktRun next = Vkt({"send", Path("chico.bin"), "--plain"});
        EXPECT_EQ(next.status, 0) << next.err;
        EXPECT_EQ(ReadFile(server_.inbox() + "/ANA/chico"), "chico");
    }
}

}  // namespace
}  // namespace vkt::cli::test
