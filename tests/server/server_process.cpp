#include "server/server_process.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vkt::server::test {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteWholeFile(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
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

ServerProcess::ServerProcess() {
    char pattern[] = "/tmp/vkt-server-test.XXXXXX";
    if (mkdtemp(pattern) != nullptr) root_ = pattern;
    for (const char* sub : {"/users", "/inbox", "/outbox"}) mkdir((root_ + sub).c_str(), 0700);
}

ServerProcess::~ServerProcess() {
    Stop();
    if (!root_.empty()) std::system(("rm -rf '" + root_ + "'").c_str());
}

bool ServerProcess::Start(const std::vector<std::string>& extra) {
    int out[2];
    if (pipe(out) != 0) return false;
    std::vector<std::string> args = {VKT_SERVER_PATH, "--port", "0",        "--users", users(),
                                     "--inbox",       inbox(),  "--outbox", outbox()};
    args.insert(args.end(), extra.begin(), extra.end());
    const std::string logPath = root_ + "/server.log";
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
    const std::size_t end = text.find('\n');
    if (end == std::string::npos) return false;
    line_ = text.substr(0, end);
    const std::size_t colon = line_.rfind(':');
    if (colon == std::string::npos) return false;
    port_ = std::atoi(line_.c_str() + colon + 1);
    return port_ > 0;
}

void ServerProcess::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

std::string ServerProcess::Log() const {
    return ReadWholeFile(root_ + "/server.log");
}

}  // namespace vkt::server::test
