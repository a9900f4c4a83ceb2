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
    static const std::string prefix = "VKTcli" + std::to_string(getpid()) + ".";
    return prefix;
}

// Removes the shared objects the vkt runs of this process made.
class ShmCleanup : public ::testing::Environment {
  public:
    void TearDown() override {
        DIR* folder = opendir("/dev/shm");
        if (folder == nullptr) return;
        while (const dirent* entry = readdir(folder)) {
            const std::string name = entry->d_name;
            if (name.rfind(ShmPrefix(), 0) == 0) shm_unlink(("/" + name).c_str());
        }
        closedir(folder);
    }
};
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new ShmCleanup);

int RunQuietly(const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        dup2(quiet, 2);
        std::vector<char*> argv;
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TempDir::TempDir() {
    char pattern[] = "/tmp/vkt-cli-e2e.XXXXXX";
    if (mkdtemp(pattern) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
    if (!path_.empty()) RunQuietly({"/bin/rm", "-rf", path_});
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

Server::Server() {
    for (const char* sub : {"/users", "/inbox", "/outbox"}) {
        mkdir((root_.path() + sub).c_str(), 0700);
    }
}

Server::~Server() {
    Stop();
}

bool Server::Start(const std::vector<std::string>& extra) {
    int out[2];
    if (pipe(out) != 0) return false;
    std::vector<std::string> args = {VKT_SERVER_PATH, "--port", "0",        "--users", users(),
                                     "--inbox",       inbox(),  "--outbox", outbox()};
    args.insert(args.end(), extra.begin(), extra.end());
    const std::string logPath = root_.path() + "/server.log";
    pid_ = fork();
    if (pid_ == 0) {
        dup2(out[1], 1);
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(log, 2);
        close(out[0]);
        std::vector<char*> argv;
        for (auto& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string text;
    pollfd watch{out[0], POLLIN, 0};
    while (text.find('\n') == std::string::npos && poll(&watch, 1, 10000) > 0) {
        char buffer[256];
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(out[0]);
    const std::size_t colon = text.rfind(':', text.find('\n'));
    port_ = colon == std::string::npos ? 0 : std::atoi(text.c_str() + colon + 1);
    if (port_ <= 0) Stop();
    return port_ > 0;
}

void Server::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

std::string Server::Log() const {
    return ReadFile(root_.path() + "/server.log");
}

bool Server::LogShows(const std::string& text) const {
    for (int i = 0; i < 300; ++i) {
        if (Log().find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool MakeKey(const std::string& folder, const std::string& user, const std::string& password) {
    const std::string passwordFile = folder + "/." + user + ".password";
    WriteFile(passwordFile, password + "\n");
    const int result = RunQuietly(
        {VKT_KEYGEN_PATH, "--bits", "512", "--out", folder, "--password-file", passwordFile, user});
    unlink(passwordFile.c_str());
    return result == 0;
}

int ClosedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);  // bound, never listening, now closed: a connect there is refused
    return ntohs(address.sin_port);
}

VktRun RunVkt(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
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
        std::vector<std::string> all = {VKT_CLI_PATH};
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
            ADD_FAILURE() << "vkt did not end within 120 seconds";
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
