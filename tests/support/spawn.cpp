#include "support/spawn.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vkt::testing {
namespace {

// This process's environment with overrides applied, as NAME=VALUE strings.
std::vector<std::string> ChildEnvironment(const std::map<std::string, std::string>& overrides) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string entryText = *entry;
        const std::string name = entryText.substr(0, entryText.find('='));
        if (overrides.count(name) == 0) entries.emplace_back(*entry);
    }
    for (const auto& [name, value] : overrides) {
        if (!value.empty()) entries.push_back(name + "=" + value);
    }
    return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& text : strings) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

class FileActions {
  public:
    FileActions() { posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;

    void Open(int fd, const std::string& path, int flags) {
        if (!path.empty())
            posix_spawn_file_actions_addopen(&actions_, fd, path.c_str(), flags, 0600);
    }
    void Duplicate(int from, int to) { posix_spawn_file_actions_adddup2(&actions_, from, to); }
    const posix_spawn_file_actions_t* get() const { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_;
};

}  // namespace

pid_t Spawn(const SpawnOptions& options) {
    if (options.args.empty()) return -1;
    constexpr int kCreate = O_WRONLY | O_CREAT | O_TRUNC;
    FileActions actions;
    actions.Open(0, options.stdinPath, O_RDONLY);
    if (options.stdoutFd >= 0) {
        actions.Duplicate(options.stdoutFd, 1);
    } else {
        actions.Open(1, options.stdoutPath, kCreate);
    }
    actions.Open(2, options.stderrPath, kCreate);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (options.newSession) posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);

    std::vector<std::string> args = options.args;
    std::vector<std::string> env = ChildEnvironment(options.env);
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(env);
    pid_t pid = -1;
    const int failed =
        posix_spawn(&pid, argv[0], actions.get(), &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    return failed == 0 ? pid : -1;
}

}  // namespace vkt::testing
