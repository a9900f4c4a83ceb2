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
    const std::string prefix = ShmPrefix();  // this process's, taken before the fork
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("VKT_SHM_PREFIX", prefix.c_str(), 1);
        setenv("VKT_HOME", home.c_str(), 1);
        for (const auto& [name, value] : env) {
            if (value.empty()) {
                unsetenv(name.c_str());
            } else {
                setenv(name.c_str(), value.c_str(), 1);
            }
        }
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        setsid();  // no controlling terminal: a missing password cannot be asked for
        std::vector<std::string> all = {path};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& arg : all) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
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
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    return run;
}

}  // namespace vkt::cli::test
