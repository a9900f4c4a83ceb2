#include "destination_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

extern char** environ;

namespace vkt::peer {
namespace {

constexpr char kPartSuffix[] = ".vkt-part";

// ".NAME.<pid>.vkt-part" with the pid replaced by its owner's role; other names unchanged.
std::string Named(const std::string& entry, const PartOwners& owners) {
    const std::size_t suffix = sizeof kPartSuffix - 1;
    if (entry.size() <= suffix + 2 || entry[0] != '.' ||
        entry.compare(entry.size() - suffix, suffix, kPartSuffix) != 0) {
        return entry;
    }
    const std::string stem = entry.substr(0, entry.size() - suffix);
    const std::size_t dot = stem.rfind('.');
    if (dot == 0 || dot == std::string::npos) return entry;
    const pid_t pid = static_cast<pid_t>(std::atol(stem.c_str() + dot + 1));
    const char* role = pid == getpid()       ? "own"
                       : pid == owners.dead  ? "dead"
                       : pid == owners.live  ? "live"
                       : pid == owners.child ? "child"
                                             : nullptr;
    return role == nullptr ? entry : stem.substr(0, dot + 1) + role + kPartSuffix;
}

}  // namespace

std::string PartFileName(const std::string& name, pid_t pid) {
    return "." + name + "." + std::to_string(pid) + kPartSuffix;
}

std::vector<std::string> FolderEntries(const std::string& folder, const PartOwners& owners) {
    std::vector<std::string> entries;
    if (DIR* listing = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(listing)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") entries.push_back(Named(name, owners));
        }
        closedir(listing);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

pid_t EndedProcessId() {
    const pid_t pid = fork();
    if (pid == 0) _exit(0);
    int status = 0;
    if (pid > 0) waitpid(pid, &status, 0);
    return pid;
}

long long FileSize(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

bool RequestChild::Start(const std::map<std::string, std::string>& settings) {
    // Everything the child needs is made before fork(): after it only exec runs.
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        variables.emplace_back(*variable);
    }
    for (const auto& [name, value] : settings) variables.push_back(name + "=" + value);
    std::vector<char*> environment;
    for (std::string& variable : variables) environment.push_back(variable.data());
    environment.push_back(nullptr);
    std::string program = "/proc/" + std::to_string(getpid()) + "/exe";
    std::string filter = "--gtest_filter=PeerChild.RequestsAndWaits";
    char* arguments[] = {program.data(), filter.data(), nullptr};

    pid_ = fork();
    running_ = pid_ > 0;
    if (pid_ == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) {
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
        }
        execve(program.c_str(), arguments, environment.data());
        _exit(127);
    }
    return pid_ > 0;
}

bool RequestChild::Kill() {
    if (!running_) return false;
    running_ = false;
    kill(pid_, SIGKILL);
    int status = 0;
    const bool killed =
        waitpid(pid_, &status, 0) == pid_ && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    return killed;
}

}  // namespace vkt::peer
