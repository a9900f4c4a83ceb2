#include "cli_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/spawn.h"

namespace vkt::cli::test {
namespace {

std::string ShmPrefix() {
    return testing::ShmPrefix("VKTcli");
}

}  // namespace

VktRun RunVkt(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
              const std::function<void(const std::string&, pid_t)>& watch) {
    return RunProgram(VKT_CLI_PATH, args, env, watch);
}

VktRun RunProgram(const std::string& path, const std::vector<std::string>& args,
                  const std::map<std::string, std::string>& env,
                  const std::function<void(const std::string&, pid_t)>& watch) {
    TempDir scratch;
    const std::string outPath = scratch.path() + "/out";
    const std::string errPath = scratch.path() + "/err";
    const std::string home = scratch.path() + "/home";
    mkdir(home.c_str(), 0700);
    testing::SpawnOptions options;
    options.args = {path};
    options.args.insert(options.args.end(), args.begin(), args.end());
    options.env = {{"VKT_SHM_PREFIX", ShmPrefix()}, {"VKT_HOME", home}};
    for (const auto& [name, value] : env) options.env[name] = value;
    options.stdoutPath = outPath;
    options.stderrPath = errPath;
    options.newSession = true;  // no controlling terminal: a missing password cannot be asked for
    const pid_t pid = testing::Spawn(options);
    if (pid < 0) {
        ADD_FAILURE() << path << " could not be started";
        return {};
    }
    VktRun run;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << path << " did not end within 120 seconds";
            break;
        }
        if (watch) watch(ReadFile(errPath), pid);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    return run;
}

}  // namespace vkt::cli::test
