#include "peer_library.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace vkt::peer {
namespace {

std::string ShmPrefix() {
    static const std::string prefix = "VKTpeer" + std::to_string(getpid()) + ".";
    return prefix;
}

// Removes this process's shared objects at exit.
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

template <typename Function>
void Bind(void* handle, const char* name, Function* function) {
    *function = reinterpret_cast<Function>(dlsym(handle, name));
}

}  // namespace

const Library& Vkt() {
    static const Library library = [] {
        Library loaded;
        setenv("VKT_SHM_PREFIX", ShmPrefix().c_str(), 1);
        void* handle = dlopen(VKT_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) return loaded;
        Bind(handle, "VKTConectar", &loaded.conectar);
        Bind(handle, "VKTVerificar", &loaded.verificar);
        Bind(handle, "VKTEnviar", &loaded.enviar);
        Bind(handle, "VKTSolicitar", &loaded.solicitar);
        Bind(handle, "VKTDesconectar", &loaded.desconectar);
        Bind(handle, "VKTError", &loaded.error);
        Bind(handle, "VKTEstado", &loaded.estado);
        return loaded;
    }();
    return library;
}

TempDir::TempDir() {
    char pattern[] = "/tmp/vkt-peer-XXXXXX";
    if (mkdtemp(pattern) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
    if (!path_.empty()) RunQuietly({"/bin/rm", "-rf", path_});
}

bool MakeKey(const std::string& folder, const std::string& user, const std::string& password) {
    const std::string passwordFile = folder + "/." + user + ".password";
    std::ofstream(passwordFile) << password << "\n";
    const int result = RunQuietly(
        {VKT_KEYGEN_PATH, "--bits", "512", "--out", folder, "--password-file", passwordFile, user});
    unlink(passwordFile.c_str());
    return result == 0;
}

StatusRecord Estado() {
    StatusRecord record{};
    Vkt().estado(&record);
    return record;
}

StatusRecord WaitForEnd(int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
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

}  // namespace vkt::peer
