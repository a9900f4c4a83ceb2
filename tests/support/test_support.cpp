// Folders, files, child processes and the server process of the process-level tests.
#include "support/test_support.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/spawn.h"

namespace vkt::testing {
namespace {

std::string& PrefixInUse() {
    static std::string prefix;
    return prefix;
}

// Removes this process's shared objects when the tests end, unless they belong to a parent.
class ShmCleanup : public ::testing::Environment {
  public:
    void TearDown() override {
        const std::string prefix = PrefixInUse();
        if (prefix.empty() || std::getenv("VKT_E2E_SHM_PREFIX") != nullptr) return;
        RemoveSharedObjects(prefix);
    }
};
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new ShmCleanup);

}  // namespace

TempDir::TempDir() {
    char pattern[] = "/tmp/vkt-test-XXXXXX";
    if (mkdtemp(pattern) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
    if (!path_.empty()) RunQuietly({"/bin/rm", "-rf", path_});
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WriteWholeFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    return out.good();
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

bool CopyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary);
    out << in.rdbuf();
    return in.good() && out.good();
}

std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    DIR* folder = opendir(path.c_str());
    if (folder == nullptr) return names;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(folder);
    return names;
}

std::string Bytes(std::size_t count, unsigned seed) {
    std::string bytes(count, '\0');
    std::uint32_t state = seed * 2654435761u + 1;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

int RunQuietly(const std::vector<std::string>& args) {
    SpawnOptions options;
    options.args = args;
    options.stdoutPath = "/dev/null";
    options.stderrPath = "/dev/null";
    const pid_t pid = Spawn(options);
    if (pid < 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool MakeKey(const std::string& folder, const std::string& user, const std::string& password) {
    const std::string passwordFile = folder + "/." + user + ".password";
    if (!WriteWholeFile(passwordFile, password + "\n")) return false;
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

bool HasIpv6Loopback() {
    const int fd = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return bound;
}

int ConnectFrom(const std::string& source, int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const timeval bound{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (inet_pton(AF_INET, source.c_str(), &from.sin_addr) != 1 ||
        bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

long RaiseDescriptorLimit() {
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) != 0) return 0;
    if (files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
        getrlimit(RLIMIT_NOFILE, &files);
    }
    return static_cast<long>(files.rlim_cur);
}

std::string ShmPrefix(const std::string& stem) {
    std::string& prefix = PrefixInUse();
    if (prefix.empty()) {
        const char* given = std::getenv("VKT_E2E_SHM_PREFIX");
        prefix = given != nullptr ? std::string(given) : stem + std::to_string(getpid()) + ".";
    }
    return prefix;
}

void RemoveSharedObjects(const std::string& prefix) {
    DIR* folder = opendir("/dev/shm");
    if (folder == nullptr) return;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.rfind(prefix, 0) == 0) shm_unlink(("/" + name).c_str());
    }
    closedir(folder);
}

ServerProcess::ServerProcess() {
    for (const char* sub : {"/users", "/inbox", "/outbox"}) mkdir((root() + sub).c_str(), 0700);
}

ServerProcess::~ServerProcess() {
    Stop();
}

bool ServerProcess::Start(const std::vector<std::string>& extra) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return false;  // not inherited by other children
    std::vector<std::string> args = {VKT_SERVER_PATH, "--port", "0",        "--users", users(),
                                     "--inbox",       inbox(),  "--outbox", outbox()};
    args.insert(args.end(), extra.begin(), extra.end());
    SpawnOptions options;
    options.args = args;
    options.stdinPath = "";
    options.stdoutFd = out[1];
    options.stderrPath = root() + "/server.log";
    pid_ = Spawn(options);
    if (pid_ < 0) {
        close(out[0]);
        close(out[1]);
        return false;
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
    const std::size_t end = text.find('\n');
    line_ = end == std::string::npos ? std::string() : text.substr(0, end);
    const std::size_t colon = line_.rfind(':');
    port_ = colon == std::string::npos ? 0 : std::atoi(line_.c_str() + colon + 1);
    if (port_ <= 0) Stop();
    return port_ > 0;
}

void ServerProcess::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGCONT);
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

bool ServerProcess::ReloadTables() {
    if (pid_ <= 0) return false;
    constexpr char kReloaded[] = "SIGHUP:";
    const std::string log = Log();
    int before = 0;
    for (std::size_t at = log.find(kReloaded); at != std::string::npos;
         at = log.find(kReloaded, at + 1))
        ++before;
    kill(pid_, SIGHUP);
    return LogShows(kReloaded, before + 1);
}

int ServerProcess::StopWith(int signal, int timeoutMs) {
    if (pid_ <= 0) return -1;
    kill(pid_, signal);
    int status = 0;
    pid_t done = 0;
    for (int waited = 0; waited < timeoutMs && done == 0; waited += 10) {
        done = waitpid(pid_, &status, WNOHANG);
        if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (done == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return -1;
    }
    pid_ = -1;
    return done == -1 || !WIFEXITED(status) ? -1 : WEXITSTATUS(status);
}

void ServerProcess::Freeze() {
    if (pid_ > 0) kill(pid_, SIGSTOP);
}

void ServerProcess::Thaw() {
    if (pid_ > 0) kill(pid_, SIGCONT);
}

std::string ServerProcess::Log() const {
    return ReadWholeFile(root() + "/server.log");
}

bool ServerProcess::LogShows(const std::string& text, int count) const {
    for (int i = 0; i < 300; ++i) {
        const std::string log = Log();
        int seen = 0;
        for (std::size_t at = log.find(text); at != std::string::npos;
             at = log.find(text, at + 1)) {
            ++seen;
        }
        if (seen >= count) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace vkt::testing
