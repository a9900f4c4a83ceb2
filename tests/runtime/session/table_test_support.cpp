#include "table_test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#ifndef VKT_TABLE_HELPER
#error "VKT_TABLE_HELPER must name the table_helper program"
#endif

namespace vkt::runtime::table_testing {
namespace {

std::atomic<int> namespaceCounter{0};

std::string ObjectName(const std::string& prefix, const char* kind) {
    return "/" + prefix + kind + "." + std::to_string(geteuid());
}

}  // namespace

ShmNamespace::ShmNamespace()
    : prefix_("VKTtest" + std::to_string(getpid()) + "n" + std::to_string(++namespaceCounter) +
              "_") {
    setenv("VKT_SHM_PREFIX", prefix_.c_str(), 1);
}

ShmNamespace::~ShmNamespace() {
    shm_unlink(TableName().c_str());
    shm_unlink(MutexName().c_str());
    unsetenv("VKT_SHM_PREFIX");
}

std::string ShmNamespace::TableName() const {
    return ObjectName(prefix_, "Tabla");
}
std::string ShmNamespace::MutexName() const {
    return ObjectName(prefix_, "Mutex");
}

RawObject RawObject::Open(const std::string& name, std::size_t size) {
    const int fd = shm_open(name.c_str(), O_RDWR, 0);
    if (fd < 0) return RawObject(nullptr, size);
    void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return RawObject(view == MAP_FAILED ? nullptr : static_cast<unsigned char*>(view), size);
}

RawObject RawObject::Create(const std::string& name, std::size_t size, unsigned mode) {
    const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return RawObject(nullptr, size);
    void* view = MAP_FAILED;
    if (fchmod(fd, mode) == 0 && ftruncate(fd, static_cast<off_t>(size)) == 0 && size != 0)
        view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return RawObject(view == MAP_FAILED ? nullptr : static_cast<unsigned char*>(view), size);
}

RawObject::RawObject(RawObject&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
}

RawObject::~RawObject() {
    if (data_ != nullptr) munmap(data_, size_);
}

std::vector<unsigned char> RawObject::Snapshot() const {
    if (data_ == nullptr) return {};
    return std::vector<unsigned char>(data_, data_ + size_);
}

bool ObjectExists(const std::string& name) {
    return ObjectSize(name) >= 0;
}

long ObjectSize(const std::string& name) {
    const int fd = shm_open(name.c_str(), O_RDONLY, 0);
    if (fd < 0) return -1;
    struct stat info {};
    const long size = fstat(fd, &info) == 0 ? static_cast<long>(info.st_size) : -1;
    close(fd);
    return size;
}

int OpenDescriptorsNaming(const std::string& text) {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return -1;
    while (dirent* entry = readdir(dir)) {
        char target[512];
        const std::string path = std::string("/proc/self/fd/") + entry->d_name;
        const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
        if (length <= 0) continue;
        target[length] = '\0';
        if (std::strstr(target, text.c_str()) != nullptr) ++count;
    }
    closedir(dir);
    return count;
}

int MappingsNaming(const std::string& text) {
    std::ifstream maps("/proc/self/maps");
    int count = 0;
    for (std::string line; std::getline(maps, line);) {
        if (line.find(text) != std::string::npos) ++count;
    }
    return count;
}

Helper::Helper(const std::vector<std::string>& steps, int startBarrier) {
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0) return;
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        close(toChild[0]);
        close(toChild[1]);
        return;
    }
    std::vector<char*> argv;
    static char program[] = VKT_TABLE_HELPER;
    argv.push_back(program);
    std::vector<std::string> copies(steps);
    for (std::string& step : copies) argv.push_back(step.data());
    argv.push_back(nullptr);

    pid_ = fork();
    if (pid_ == 0) {
        // Only async-signal-safe calls until exec. dup2 clears close-on-exec on the copies.
        dup2(toChild[0], 0);
        dup2(fromChild[1], 1);
        if (startBarrier == 3) fcntl(3, F_SETFD, 0);
        if (startBarrier >= 0 && startBarrier != 3) dup2(startBarrier, 3);
        execv(program, argv.data());
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    input_ = toChild[1];
    output_ = fromChild[0];
    if (pid_ < 0) Finish();
}

Helper::~Helper() {
    Finish();
    if (pid_ > 0 && !reaped_) {
        kill(pid_, SIGKILL);
        Wait();
    }
    if (output_ >= 0) close(output_);
}

std::string Helper::Line() {
    for (;;) {
        const std::size_t end = buffered_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffered_.substr(0, end);
            buffered_.erase(0, end + 1);
            return line;
        }
        if (output_ < 0) return "";
        pollfd entry{output_, POLLIN, 0};
        if (poll(&entry, 1, 30000) <= 0) return "";
        char chunk[256];
        const ssize_t count = read(output_, chunk, sizeof chunk);
        if (count <= 0) return "";
        buffered_.append(chunk, static_cast<std::size_t>(count));
    }
}

void Helper::Finish() {
    if (input_ >= 0) close(input_);
    input_ = -1;
}

int Helper::Wait() {
    if (pid_ <= 0 || reaped_) return -1;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    reaped_ = true;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + WTERMSIG(status);
}

void Helper::Kill() {
    if (pid_ > 0 && !reaped_) kill(pid_, SIGKILL);
}

int NumberAfter(const std::string& line, const std::string& word) {
    const std::size_t at = line.find(word + " ");
    if (at != 0) return -99999;
    return std::atoi(line.c_str() + word.size() + 1);
}

}  // namespace vkt::runtime::table_testing
