// vkt batch run as a process against a real vkt-server: many operations over one session; and
// --json, one object a line for each operation.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "cli_fixture.h"

namespace vkt::cli::test {
namespace {

int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class CliBatchTest : public CliTest {
  protected:
    std::string Where() const { return "127.0.0.1:" + std::to_string(server_.port()); }
};

TEST_F(CliBatchTest, RunsSendGetAndVerifyOverOneConnect) {
    std::string body;
    WriteFile(Path("nomina.txt"), FormattedFile("NOMINA", {"0001 Perez"}, &body));
    mkdir((server_.outbox() + "/ANA").c_str(), 0700);
    WriteFile(server_.outbox() + "/ANA/informe.bin", RandomBytes(5000));
    mkdir(Path("en trada").c_str(), 0700);
    WriteFile(Path("lista"),
              "# the month's files\n"
              "\n"
              "verify " +
                  Path("nomina.txt") + "\n" + "  send " + Path("nomina.txt") +
                  " --field Importe=125 --field 'Concepto=Pago junio'\n" +
                  "get informe.bin --to \"" + Path("en trada") + "\"\n");

    const VktRun run = Vkt({"batch", Path("lista")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Importe,8,N;Concepto,12\n");
    EXPECT_EQ(ReadFile(server_.inbox() + "/ANA/nomina"), body);
    EXPECT_TRUE(server_.LogShows("send request nomina, additional: 00000125Pago junio  \n"))
        << server_.Log();
    EXPECT_EQ(ReadFile(Path("en trada/informe.bin")), RandomBytes(5000));
    EXPECT_TRUE(server_.LogShows("disconnect notice"));
    EXPECT_EQ(Count(server_.Log(), "connect request"), 1) << server_.Log();
}

// A failing line stops the batch: a refused get, a line that cannot be parsed. The exit status
// is that line's, and the later send never runs.
TEST_F(CliBatchTest, StopsAtTheFirstFailingLine) {
    WriteFile(Path("chico.bin"), "chico");
    mkdir(Path("in").c_str(), 0700);
    const struct {
        std::string line;
        int status;
        std::string error;
    } cases[] = {
        {"get ausente.bin --to " + Path("in"), 1,
         "vkt: batch line 2: get ausente.bin from " + Where() + ": [40050] "},
        {"get ausente.bin", 2, "vkt: batch line 2: get needs --to DIR\n"},
        {"send 'sin cierre", 2, "vkt: batch line 2: no closing '"},
    };
    for (const auto& c : cases) {
        WriteFile(Path("lista"),
                  "# first\n" + c.line + "\nsend " + Path("chico.bin") + " --plain\n");
        const VktRun run = Vkt({"batch", Path("lista")});
        EXPECT_EQ(run.status, c.status) << c.line << ": " << run.err;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    }
    EXPECT_FALSE(Exists(server_.inbox() + "/ANA/chico"));
    EXPECT_EQ(server_.Log().find("send request"), std::string::npos) << server_.Log();
}

// Lines written "-command" may fail: each failure is reported with its line, the session stays
// open for the next line, and the batch ends 0.
TEST_F(CliBatchTest, GoesOnAfterAFailingLineWrittenWithADash) {
    WriteFile(Path("chico.bin"), "chico");
    WriteFile(Path("rechazo.txt"), "x");
    mkdir(Path("in").c_str(), 0700);
    WriteFile(Path("lista"), "-get ausente.bin --to " + Path("in") + "\n" + "-verify " +
                                 Path("rechazo.txt") + " --plain\n" + "- get sin-destino\n" +
                                 "send " + Path("chico.bin") + " --plain\n");

    const VktRun run = Vkt({"batch", Path("lista")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("vkt: batch line 1: get ausente.bin from " + Where() + ": [40050] "),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("vkt: batch line 2: verify " + Path("rechazo.txt") + " at " + Where() +
                           ": [40013] "),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("vkt: batch line 3: get needs --to DIR"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(server_.inbox() + "/ANA/chico"), "chico");
    EXPECT_EQ(Count(server_.Log(), "connect request"), 1) << server_.Log();
}

// A lost session ends the batch also on a "-" line: the server is killed in the middle of the
// first line's transfer, and the second line is never tried.
TEST_F(CliBatchTest, ALostSessionStopsTheBatch) {
    WriteFile(Path("grande.bin"), RandomBytes(1 << 20));
    WriteFile(Path("chico.bin"), "chico");
    WriteFile(Path("lista"),
              "-send " + Path("grande.bin") + " --plain\nsend " + Path("chico.bin") + " --plain\n");
    bool killed = false;
    const VktRun run = Vkt({"batch", Path("lista")}, {}, [&](const std::string& err, pid_t) {
        if (!killed && err.find("sending the file") != std::string::npos) {
            server_.StopWith(SIGKILL, 3000);
            killed = true;
        }
    });
    ASSERT_TRUE(killed) << run.err;
    EXPECT_EQ(run.status, 6) << run.err;
    EXPECT_NE(run.err.find("vkt: batch line 1: send " + Path("grande.bin")), std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("batch line 2"), std::string::npos) << run.err;
}

TEST_F(CliBatchTest, ReadsTheBatchFromStandardInput) {
    WriteFile(Path("chico.bin"), "chico");
    WriteFile(Path("lista"), "send '" + Path("chico.bin") + "' --plain\n");
    const VktRun run =
        RunProgram("/bin/sh",
                   {"-c", "exec \"$0\" batch - \"$@\" < '" + Path("lista") + "'", VKT_CLI_PATH,
                    "--server", "127.0.0.1", "--port", std::to_string(server_.port()), "--user",
                    kUser, "--keys", keys_->path(), "--timeout", "30"},
                   {{"VKT_PASSWORD", kPassword}});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(server_.inbox() + "/ANA/chico"), "chico");
}

// The lines of standard output, each checked to be one object.
std::vector<std::string> JsonLines(const std::string& out) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < out.size();) {
        const std::size_t end = out.find('\n', start);
        if (end == std::string::npos) break;
        lines.push_back(out.substr(start, end - start));
        start = end + 1;
    }
    for (const std::string& line : lines) {
        EXPECT_TRUE(line.size() > 1 && line.front() == '{' && line.back() == '}') << line;
    }
    return lines;
}

TEST_F(CliBatchTest, ReportsEachOperationAsOneJsonLine) {
    WriteFile(Path("di\"cho.bin"), "chico");
    WriteFile(Path("nomina.txt"), "x");
    mkdir(Path("in").c_str(), 0700);
    WriteFile(Path("lista"), "verify " + Path("nomina.txt") + " --plain\n" +
                                 "-get ausente.bin --to " + Path("in/") + "\n" + "send '" +
                                 Path("di\"cho.bin") + "' --plain\n");
    const VktRun run = Vkt({"batch", Path("lista"), "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = JsonLines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[0].find("{\"operation\":\"verify\",\"local\":\"" + Path("nomina.txt") +
                            "\",\"remote\":null,\"bytes\":0,\"seconds\":"),
              0u)
        << lines[0];
    EXPECT_NE(lines[0].find(",\"code\":0,\"text\":\"\",\"exit\":0,"
                            "\"answer\":\"Importe,8,N;Concepto,12\"}"),
              std::string::npos)
        << lines[0];
    EXPECT_NE(lines[1].find("\"operation\":\"get\",\"local\":\"" + Path("in/ausente.bin") +
                            "\",\"remote\":\"ausente.bin\",\"bytes\":0,"),
              std::string::npos)
        << lines[1];
    EXPECT_NE(lines[1].find(",\"code\":40050,\"text\":\"Archivo no encontrado"), std::string::npos)
        << lines[1];
    EXPECT_NE(lines[1].find(",\"exit\":1}"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("\"local\":\"" + Path("di\\\"cho.bin") +
                            "\",\"remote\":null,"
                            "\"bytes\":5,"),
              std::string::npos)
        << lines[2];
    EXPECT_NE(lines[2].find(",\"code\":0,\"text\":\"\",\"exit\":0}"), std::string::npos)
        << lines[2];
    EXPECT_NE(run.err.find("vkt: batch line 2: get ausente.bin"), std::string::npos) << run.err;

    // A single command: its one object, here for a connect that fails.
    const VktRun refused = VktAt(ClosedPort(), {"--json", "verify", Path("nomina.txt")});
    EXPECT_EQ(refused.status, 6) << refused.err;
    const std::vector<std::string> single = JsonLines(refused.out);
    ASSERT_EQ(single.size(), 1u) << refused.out;
    EXPECT_EQ(single[0].find("{\"operation\":\"verify\","), 0u) << single[0];
    EXPECT_NE(single[0].find(",\"exit\":6}"), std::string::npos) << single[0];
}

}  // namespace
}  // namespace vkt::cli::test
