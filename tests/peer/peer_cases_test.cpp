// The protocol cases of cases/*.txt, one test each: the real libVKT32.so against the scripted
// peer. Each case makes its fixtures, starts the peer with its [peer] script, runs its [client]
// steps, and then requires that every peer step passed too.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "case_file.h"
#include "client_steps.h"
#include "peer_library.h"
#include "scripted_peer.h"
#include "server/public_key.h"

namespace vkt::peer {
namespace {

constexpr char kUser[] = "ana";
constexpr char kPassword[] = "clave";

std::vector<std::string> CaseNames() {
    std::vector<std::string> names;
    if (DIR* folder = opendir(VKT_PEER_CASES_DIR)) {
        while (const dirent* entry = readdir(folder)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0) {
                names.push_back(name.substr(0, name.size() - 4));
            }
        }
        closedir(folder);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// One key pair for every case of the process.
class Keys {
  public:
    static const Keys& Get() {
        static const Keys* keys = new Keys;
        return *keys;
    }
    std::string folder() const { return folder_.path(); }
    EVP_PKEY* publicKey() const { return publicKey_.get(); }

  private:
    Keys() {
        if (MakeKey(folder_.path(), kUser, kPassword)) {
            publicKey_ = server::LoadPublicKey(folder_.path() + "/" + kUser + ".pub");
        }
    }
    TempDir folder_;
    server::PublicKey publicKey_;
};

// A case whose first client step is "own-process" runs as this test alone in a new process of
// this program; its output is shown when it fails.
bool RunsInOwnProcess(const CaseFile& file) {
    return !file.client.empty() && file.client.front().verb() == "own-process" &&
           std::getenv("VKT_PEER_OWN_PROCESS") == nullptr;
}

void RunInOwnProcess() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    TempDir scratch;
    const std::string log = scratch.path() + "/output";
    const std::string command = "VKT_PEER_OWN_PROCESS=1 /proc/" + std::to_string(getpid()) +
                                "/exe '--gtest_filter=" + test->test_suite_name() + "." +
                                test->name() + "' >'" + log + "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(log);
    std::stringstream output;
    output << in.rdbuf();
    EXPECT_EQ(status, 0) << output.str();
}

// Runs the case file cases/NAME.txt once.
void RunCase(const std::string& caseName) {
    CaseFile file;
    std::string reason;
    ASSERT_TRUE(
        LoadCaseFile(std::string(VKT_PEER_CASES_DIR) + "/" + caseName + ".txt", &file, &reason))
        << reason;
    if (RunsInOwnProcess(file)) {
        RunInOwnProcess();
        return;
    }
    const Library& vkt = Vkt();
    ASSERT_TRUE(vkt.conectar && vkt.desconectar && vkt.error && vkt.estado)
        << "libVKT32.so cannot be loaded from " << VKT_LIBRARY_PATH;
    const Keys& keys = Keys::Get();
    ASSERT_NE(keys.publicKey(), nullptr) << "vkt-keygen made no usable key";

    TempDir root;
    CaseSetting setting{kUser, kPassword, keys.folder(), root.path() + "/work",
                        root.path() + "/dest"};
    mkdir(setting.work.c_str(), 0700);
    mkdir(setting.destination.c_str(), 0700);
    for (const auto& [name, contents] : file.files) {
        std::ofstream(setting.work + "/" + name, std::ios::binary) << contents;
    }

    ScriptedPeer peer(kUser, keys.publicKey(), file.files, file.peer);
    ASSERT_TRUE(peer.Start(&reason)) << reason;
    int32_t session = 0;
    {
        ClientSteps client(file, setting, peer);
        // A failed step leaves the peer waiting: a disconnect closes the socket under it.
        if (!client.Run()) {
            WaitForEnd(5000);
            vkt.desconectar(client.session());
        }
        session = client.session();
    }
    const std::string failure = peer.Finish();
    EXPECT_TRUE(failure.empty()) << "peer " << failure;
    // Nothing of this case in the way of the next one in the same process.
    WaitForEnd(5000);
    if (session > 1) vkt.desconectar(session);
    Errors();
}

class PeerCase : public ::testing::TestWithParam<std::string> {};

TEST_P(PeerCase, Runs) {
    RunCase(GetParam());
}

// Cases whose fault is a race between the library's threads: one round may pass by luck, so
// each runs many rounds in a row, stopping at the first that fails.
TEST(PeerCaseRounds, RacyCasesHoldEveryRound) {
    struct Rounds {
        const char* name;
        int count;
    };
    const Rounds kRacy[] = {
        {"connect_refused_before_request", 30},
        {"connect_refused_then_closed", 30},
    };
    for (const Rounds& racy : kRacy) {
        for (int round = 1; round <= racy.count && !::testing::Test::HasFailure(); ++round) {
            SCOPED_TRACE(std::string(racy.name) + " round " + std::to_string(round));
            RunCase(racy.name);
        }
    }
}

// A peer script from its lines.
std::vector<Step> Script(std::initializer_list<const char*> lines) {
    std::vector<Step> steps;
    for (const char* line : lines) {
        Step step;
        std::string reason;
        step.line = static_cast<int>(steps.size()) + 1;
        if (SplitWords(line, &step.words, &reason)) steps.push_back(step);
    }
    return steps;
}

// VKTEstado read back to back (no sleep) until activity is no longer 2, so the caller acts
// the moment an operation ends; bounded by ms.
StatusRecord SpinUntilEnd(int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    StatusRecord status = Estado();
    while (status.activity == 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
        status = Estado();
    }
    return status;
}

// The server opens a session and closes it at once; the program, the moment the connect has
// ended, disconnects and connects to the next server. The close of the old connection, handled
// in between, must never end the new session: every connect finishes (open, or ended by its
// own server's close), and no call is ever refused with 40063.
TEST(PeerRounds, CloseThenDisconnectAndConnectNeverWedges) {
    constexpr int kRounds = 300;
    const Library& vkt = Vkt();
    ASSERT_TRUE(vkt.conectar && vkt.desconectar && vkt.error && vkt.estado);
    const Keys& keys = Keys::Get();
    ASSERT_NE(keys.publicKey(), nullptr);
    const std::map<std::string, std::string> noFiles;
    const std::vector<Step> script = Script({"setup", "close"});

    std::string reason;
    auto next = std::make_unique<ScriptedPeer>(kUser, keys.publicKey(), noFiles, script);
    ASSERT_TRUE(next->Start(&reason)) << reason;
    int32_t session = 0;
    for (int round = 1; round <= kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::unique_ptr<ScriptedPeer> peer = std::move(next);
        const std::string port = std::to_string(peer->port());
        ASSERT_EQ(vkt.conectar("127.0.0.1", port.c_str(), kUser, kPassword, keys.folder().c_str(),
                               10, &session),
                  0)
            << (Errors().empty() ? 0 : Errors()[0].code);
        const StatusRecord status = SpinUntilEnd(10000);
        ASSERT_NE(status.activity, 2u) << "the connect never finished: function " << status.function
                                       << ", step " << status.step;
        if (round < kRounds) {
            next = std::make_unique<ScriptedPeer>(kUser, keys.publicKey(), noFiles, script);
            ASSERT_TRUE(next->Start(&reason)) << reason;
        }
        const int32_t ended = vkt.desconectar(session);
        ASSERT_TRUE(ended == 0 || ended == 40039) << "VKTDesconectar returned " << ended;
        // The disconnect may come before the peer's last step: what the peer saw does not matter.
        peer->Finish();
        Errors();
    }
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, PeerCase, ::testing::ValuesIn(CaseNames()), TestName);

// The second process of "child-request": a session to the peer, the request, then a wait that
// lasts until the case kills it. Skipped on its own.
TEST(PeerChild, RequestsAndWaits) {
    const char* port = std::getenv("VKT_PEER_CHILD_PORT");
    const char* user = std::getenv("VKT_PEER_CHILD_USER");
    const char* password = std::getenv("VKT_PEER_CHILD_PASSWORD");
    const char* keys = std::getenv("VKT_PEER_CHILD_KEYS");
    const char* name = std::getenv("VKT_PEER_CHILD_NAME");
    const char* folder = std::getenv("VKT_PEER_CHILD_FOLDER");
    if (port == nullptr || user == nullptr || password == nullptr || keys == nullptr ||
        name == nullptr || folder == nullptr) {
        GTEST_SKIP() << "runs as the second process of a child-request case";
    }
    const Library& vkt = Vkt();
    int32_t session = 0;
    ASSERT_EQ(vkt.conectar("127.0.0.1", port, user, password, keys, 10, &session), 0);
    ASSERT_EQ(WaitForEnd(20000).activity, 0u);
    ASSERT_EQ(vkt.solicitar(session, password, name, folder), 0);
    WaitForEnd(60000);
    vkt.desconectar(session);
}

}  // namespace
}  // namespace vkt::peer
