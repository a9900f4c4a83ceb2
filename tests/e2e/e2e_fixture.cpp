#include "e2e_fixture.h"

#include <dirent.h>
#include <dlfcn.h>
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

namespace vkt::e2e {
namespace {

// Removes this process's shared objects at exit, unless they belong to a parent test.
class ShmCleanup : public ::testing::Environment {
  public:
    void TearDown() override {
        if (std::getenv("VKT_E2E_SHM_PREFIX") != nullptr) return;
        const std::string prefix = ShmPrefix();
        DIR* folder = opendir("/dev/shm");
        if (folder == nullptr) return;
        while (const dirent* entry = readdir(folder)) {
            const std::string name = entry->d_name;
            if (name.rfind(prefix, 0) == 0) shm_unlink(("/" + name).c_str());
        }
        closedir(folder);
    }
};
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new ShmCleanup);

int RunCommand(const std::vector<std::string>& args) {
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

std::string ShmPrefix() {
    static const std::string prefix = [] {
        const char* given = std::getenv("VKT_E2E_SHM_PREFIX");
        return given != nullptr ? std::string(given) : "VKTe2e" + std::to_string(getpid()) + ".";
    }();
    return prefix;
}

const Library& Vkt() {
    static const Library library = [] {
        Library loaded;
        setenv("VKT_SHM_PREFIX", ShmPrefix().c_str(), 1);
        void* handle = dlopen(VKT_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) return loaded;
        loaded.conectar = reinterpret_cast<decltype(&VKTConectar)>(dlsym(handle, "VKTConectar"));
        loaded.desconectar =
            reinterpret_cast<decltype(&VKTDesconectar)>(dlsym(handle, "VKTDesconectar"));
        loaded.error = reinterpret_cast<decltype(&VKTError)>(dlsym(handle, "VKTError"));
        loaded.estado = reinterpret_cast<decltype(&VKTEstado)>(dlsym(handle, "VKTEstado"));
        loaded.verificar = reinterpret_cast<decltype(&VKTVerificar)>(dlsym(handle, "VKTVerificar"));
        loaded.enviar = reinterpret_cast<decltype(&VKTEnviar)>(dlsym(handle, "VKTEnviar"));
        loaded.solicitar = reinterpret_cast<decltype(&VKTSolicitar)>(dlsym(handle, "VKTSolicitar"));
        return loaded;
    }();
    EXPECT_TRUE(library.conectar && library.desconectar && library.error && library.estado &&
                library.verificar && library.enviar && library.solicitar)
        << dlerror();
    return library;
}

TempDir::TempDir() {
    char pattern[] = "/tmp/vkt-e2e.XXXXXX";
    if (mkdtemp(pattern) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
    if (!path_.empty()) RunCommand({"/bin/rm", "-rf", path_});
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
    std::vector<std::string> args = {VKT_SERVER_PATH,
                                     "--port",
                                     "0",
                                     "--users",
                                     users(),
                                     "--inbox",
                                     root_.path() + "/inbox",
                                     "--outbox",
                                     root_.path() + "/outbox"};
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
    kill(pid_, SIGCONT);
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

void Server::Freeze() {
    if (pid_ > 0) kill(pid_, SIGSTOP);
}

void Server::Thaw() {
    if (pid_ > 0) kill(pid_, SIGCONT);
}

std::string Server::Log() const {
    std::ifstream in(root_.path() + "/server.log", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool MakeKey(const std::string& folder, const std::string& user, const std::string& password) {
    const std::string passwordFile = folder + "/." + user + ".password";
    std::ofstream(passwordFile) << password << "\n";
    const int result = RunCommand(
        {VKT_KEYGEN_PATH, "--bits", "512", "--out", folder, "--password-file", passwordFile, user});
    unlink(passwordFile.c_str());
    return result == 0;
}

bool CopyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary);
    out << in.rdbuf();
    return in.good() && out.good();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return out.good();
}

bool FileExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
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

StatusRecord Estado() {
    StatusRecord record{};
    Vkt().estado(&record);
    return record;
}

StatusRecord WaitForEnd(int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    StatusRecord record = Estado();
    while (record.activity == 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        record = Estado();
    }
    return record;
}

std::vector<ErrorRecord> Errors() {
    ErrorRecord records[10] = {};
    const int count = Vkt().error(records);
    return std::vector<ErrorRecord>(records, records + (count > 0 ? count : 0));
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

}  // namespace vkt::e2e
