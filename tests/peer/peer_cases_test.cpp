// The protocol cases of cases/*.txt, one test each: the real libVKT32.so against the scripted
// peer. Each case makes its fixtures, starts the peer with its [peer] script, runs its [client]
// steps, and then requires that every peer step passed too.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <fstream>

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

// Runs the case file cases/NAME.txt once.
void RunCase(const std::string& caseName) {
    CaseFile file;
    std::string reason;
    ASSERT_TRUE(
        LoadCaseFile(std::string(VKT_PEER_CASES_DIR) + "/" + caseName + ".txt", &file, &reason))
        << reason;
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

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, PeerCase, ::testing::ValuesIn(CaseNames()), TestName);

}  // namespace
}  // namespace vkt::peer
