// The client steps that look at and plant things in the destination folder of a request case
// (listed in client_steps.h).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "client_steps.h"
#include "support/file_locks.h"
#include "support/test_support.h"

namespace vkt::peer {
namespace {

constexpr auto kFolderWait = std::chrono::seconds(10);

std::string Joined(const std::vector<std::string>& names) {
    std::string text = "[";
    for (const std::string& name : names) text += (text.size() > 1 ? " " : "") + name;
    return text + "]";
}

// Polls until holds() or kFolderWait has passed; the last answer.
template <typename Condition>
bool Eventually(Condition holds) {
    const auto deadline = std::chrono::steady_clock::now() + kFolderWait;
    while (!holds()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace

bool ClientSteps::RunFolderStep(const Step& step, bool* known, std::string* why) {
    const std::vector<Word>& words = step.words;
    const std::string& verb = step.verb();
    *known = true;
    if (verb == "existing" && words.size() >= 3) {
        std::size_t at = 2;
        std::string data;
        if (!ReadData(words, &at, file_.files, &data, why)) return false;
        if (std::ofstream(Destination(words[1].text), std::ios::binary) << data) return true;
        *why = "cannot write " + words[1].text;
        return false;
    }
    if (verb == "part" && words.size() == 3) return PlantPart(words, why);
    if (verb == "folder") return CheckFolder(words, why);
    if (verb == "lock" && words.size() == 3) return Lock(words, why);
    if (verb == "unlock" && lock_ != nullptr) {
        const bool ended = lock_->Release();
        lock_.reset();
        if (!ended) *why = "the lock holder did not end normally";
        return ended;
    }
    if (verb == "child-request" && words.size() == 2) return StartChild(words[1].text, why);
    if (verb == "child-part-holds" && words.size() == 3) {
        const std::string path = Destination(PartFileName(words[1].text, child_.pid()));
        const long long wanted = std::atoll(words[2].text.c_str());
        if (Eventually([&] { return FileSize(path) == wanted; })) return true;
        *why = "the child's part file holds " + std::to_string(FileSize(path)) + " bytes";
        return false;
    }
    if (verb == "kill-child") {
        if (child_.Kill()) return true;
        *why = "the child was not running or did not die of SIGKILL";
        return false;
    }
    *known = false;
    return false;
}

bool ClientSteps::CheckFolder(const std::vector<Word>& words, std::string* why) {
    std::vector<std::string> wanted;
    for (std::size_t i = 1; i < words.size(); ++i) wanted.push_back(words[i].text);
    std::sort(wanted.begin(), wanted.end());
    std::vector<std::string> seen;
    if (Eventually([&] {
            seen = FolderEntries(setting_.destination, owners_);
            return seen == wanted;
        })) {
        return true;
    }
    *why = "the destination folder holds " + Joined(seen);
    return false;
}

bool ClientSteps::PlantPart(const std::vector<Word>& words, std::string* why) {
    const std::string& kind = words[2].text;
    pid_t pid = 0;
    if (kind == "live") {
        owners_.live = pid = getppid();
    } else if (kind == "dead" || kind == "dead-link") {
        if (owners_.dead == 0) owners_.dead = EndedProcessId();
        pid = owners_.dead;
    }
    if (pid <= 0) {
        *why = "no such owner: " + kind;
        return false;
    }
    const std::string path = Destination(PartFileName(words[1].text, pid));
    if (kind == "dead-link") {
        const std::string target = setting_.work + "/enlazado";
        if (testing::WriteWholeFile(target, "enlazado") &&
            symlink(target.c_str(), path.c_str()) == 0) {
            return true;
        }
    } else if (testing::WriteWholeFile(path, "parte")) {
        return true;
    }
    *why = "cannot make " + path;
    return false;
}

bool ClientSteps::Lock(const std::vector<Word>& words, std::string* why) {
    testing::LockKind kind;
    if (!testing::LockKindNamed(words[2].text, &kind)) {
        *why = "no such lock kind";
        return false;
    }
    const std::string path = Destination(words[1].text);
    lock_ = std::make_unique<testing::HoldingChild>(
        [&path, kind] { return testing::OpenAndLock(path.c_str(), kind); });
    if (lock_->Holding()) return true;
    *why = "the child could not lock " + words[1].text;
    return false;
}

bool ClientSteps::StartChild(const std::string& name, std::string* why) {
    const bool started = child_.Start({{"VKT_PEER_CHILD_PORT", std::to_string(peer_.port())},
                                       {"VKT_PEER_CHILD_USER", setting_.user},
                                       {"VKT_PEER_CHILD_PASSWORD", setting_.password},
                                       {"VKT_PEER_CHILD_KEYS", setting_.keys},
                                       {"VKT_PEER_CHILD_NAME", name},
                                       {"VKT_PEER_CHILD_FOLDER", setting_.destination},
                                       {"VKT_E2E_SHM_PREFIX", testing::ShmPrefix("VKTpeer")}});
    owners_.child = child_.pid();
    if (!started) *why = "the request child did not start";
    return started;
}

}  // namespace vkt::peer
