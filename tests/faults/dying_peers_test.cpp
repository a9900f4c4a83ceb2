// Peers that die: the server killed in the middle of a send and of a request, and a client
// process (vkt) killed while it holds the session. The survivor reports its code, nothing
// partial is left on either side, and the next session of the same user works.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <thread>

#include "fault_fixture.h"
#include "support/spawn.h"

namespace vkt::faults {
namespace {

constexpr int32_t kServerEnded = 40064;
constexpr int32_t kNoSession = 40039;
constexpr int32_t kTooManySessions = 40033;

bool LostConnection(int32_t code) {
    return code == kServerEnded || VKT_IS_NETWORK_STATUS(code);
}

// The transfer the server dies in: started, and the step whose progress shows it under way.
struct Transfer {
    const char* name;
    // Given the local folder, the user's outbox and the session.
    std::function<int32_t(const std::string& work, const std::string& outbox, int32_t session)>
        start;
    std::uint32_t step;
};

// Test names and failure messages show the case's name.
void PrintTo(const Transfer& transfer, std::ostream* out) {
    *out << transfer.name;
}

class ServerKilledTest : public FaultTest, public ::testing::WithParamInterface<Transfer> {};

const Transfer kTransfers[] = {
    // 256 blocks at least 25 ms apart.
    {"InTheMiddleOfASend",
     [](const std::string& work, const std::string&, int32_t session) {
         const std::string path = work + "/grande.bin";
         if (!WriteWholeFile(path, Bytes(2 << 20, 8))) return -1;
         return Vkt().enviar(session, kPassword, path.c_str(), 2, nullptr, 0);
     },
     VKT_STEP_SENDING},
    // More than the loopback's socket buffers hold, so the server is still sending when it
    // is killed.
    {"InTheMiddleOfARequest",
     [](const std::string& work, const std::string& outbox, int32_t session) {
         const std::string folder = work + "/in";
         if (!WriteWholeFile(outbox + "/grande.bin", Bytes(32 << 20, 9)) ||
             mkdir(folder.c_str(), 0700) != 0) {
             return -1;
         }
         return Vkt().solicitar(session, kPassword, "grande.bin", folder.c_str());
     },
     VKT_STEP_RECEIVING},
};

TEST_P(ServerKilledTest, TheClientReportsItAndConnectsAgainOnceTheServerIsBack) {
    const Transfer& transfer = GetParam();
    ASSERT_EQ(transfer.start(work_.path(), UserOutbox(), session_), 0) << ErrorsText(Vkt());
    ASSERT_TRUE(WaitForProgress(transfer.step, 8192)) << ErrorsText(Vkt());
    server_.StopWith(SIGKILL, 5000);

    EXPECT_EQ(WaitForEnd(120).activity, 1u);
    const std::vector<int32_t> codes = ErrorCodes();
    ASSERT_FALSE(codes.empty());
    EXPECT_TRUE(LostConnection(codes[0])) << codes[0];
    RecordProperty("code", codes[0]);
    // The session was released with the connection.
    EXPECT_EQ(Vkt().desconectar(session_), kNoSession);
    session_ = 0;
    EXPECT_TRUE(Lockable(Path("grande.bin")) || !FileExists(Path("grande.bin")));
    EXPECT_TRUE(ListFolder(Path("in")).empty()) << "a partial file was left";
    EXPECT_EQ(testing::SettledUsage(0, descriptors_).descriptors, descriptors_);

    // Back on the same folders, the server drops what it had received of the file.
    ASSERT_TRUE(StartServer());
    EXPECT_TRUE(InboxEmpties());
    EXPECT_EQ(RunCycle(Vkt(), Cycle(), 1), "") << server_.Log();
}

INSTANTIATE_TEST_SUITE_P(Transfers, ServerKilledTest, ::testing::ValuesIn(kTransfers),
                         [](const ::testing::TestParamInfo<Transfer>& named) {
                             return std::string(named.param.name);
                         });

using ClientKilledTest = FaultTest;

// vkt holds the session and sends a file into the same session table as this process; killed
// while its blocks go out, it leaves the slot to a dead owner. This process then connects as
// the same user: the slot is taken over and the server, which has dropped the dead client's
// session and partial file, accepts the user again.
TEST_F(ClientKilledTest, TheNextConnectOfTheSameUserTakesItsSessionOver) {
    ASSERT_EQ(Vkt().desconectar(session_), 0);
    session_ = 0;
    const std::string path = Path("grande.bin");
    ASSERT_TRUE(WriteWholeFile(path, Bytes(2 << 20, 10)));
    ASSERT_EQ(mkdir(Path("home").c_str(), 0700), 0);

    testing::SpawnOptions options;
    options.args = {VKT_CLI_PATH, "send",      path,     "--plain",
                    "--server",   "127.0.0.1", "--port", std::to_string(server_.port()),
                    "--user",     kUser,       "--keys", keyCopy_.path(),
                    "--timeout",  "300"};
    options.env = {{"VKT_PASSWORD", kPassword},
                   {"VKT_SHM_PREFIX", testing::ShmPrefix("VKTfault")},
                   {"VKT_HOME", Path("home")}};
    options.stdoutPath = "/dev/null";
    options.stderrPath = Path("vkt.err");
    const pid_t client = testing::Spawn(options);
    ASSERT_GT(client, 0);

    // The server is storing the file: the client holds the session.
    const auto receiving = [this] {
        for (const std::string& name : ListFolder(UserInbox())) {
            if (name.rfind(".receiving.", 0) == 0) return true;
        }
        return false;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!receiving() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const bool wasReceiving = receiving();
    // The machine's one session is the client's: this process is refused meanwhile.
    int32_t refused = 0;
    const int32_t whileHeld =
        Vkt().conectar("127.0.0.1", std::to_string(server_.port()).c_str(), kUser, kPassword,
                       keyCopy_.path().c_str(), 10, &refused);
    testing::Errors(Vkt());
    kill(client, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(client, &status, 0), client);
    ASSERT_TRUE(wasReceiving) << ReadWholeFile(Path("vkt.err")) << server_.Log();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(whileHeld, kTooManySessions);

    EXPECT_TRUE(InboxEmpties()) << server_.Log();
    ASSERT_TRUE(Connect());
    const std::string small = Path("chico.bin");
    ASSERT_TRUE(WriteWholeFile(small, "chico"));
    ASSERT_EQ(Vkt().enviar(session_, kPassword, small.c_str(), 2, nullptr, 0), 0);
    ASSERT_EQ(WaitForEnd().activity, 0u) << ErrorsText(Vkt());
    EXPECT_EQ(ReadWholeFile(UserInbox() + "/chico"), "chico");
}

}  // namespace
}  // namespace vkt::faults
