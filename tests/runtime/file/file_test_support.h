// Shared fixtures of the file tests: a scratch folder and a second process that holds a file.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vkt::runtime::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "vkt-file-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

    std::string WriteFile(const std::string& name, const std::string& content) const {
        const std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path folder_;
};

// A child process that runs hold(), which opens and keeps a file and returns 0 on success,
// tells the parent, and keeps the file until Release(). The child ends with _exit.
class HoldingChild {
  public:
    template <typename Hold>
    explicit HoldingChild(Hold hold) {
        int ready[2], release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            const char held = hold() == 0 ? 'y' : 'n';
            (void)!::write(ready[1], &held, 1);
            char done;
            (void)!::read(release[0], &done, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        releaseFd_ = release[1];
        char held = 'n';
        if (pid_ > 0 && ::read(ready[0], &held, 1) == 1) holding_ = held == 'y';
        ::close(ready[0]);
    }
    ~HoldingChild() { Release(); }
    HoldingChild(const HoldingChild&) = delete;
    HoldingChild& operator=(const HoldingChild&) = delete;

    bool Holding() const { return holding_; }

    // Lets the child close its file and end; true when it ended normally.
    bool Release() {
        if (pid_ <= 0) return false;
        ::close(releaseFd_);
        int status = 0;
        const bool ended = ::waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status);
        pid_ = -1;
        return ended;
    }

  private:
    pid_t pid_ = -1;
    int releaseFd_ = -1;
    bool holding_ = false;
};

// Runs probe() in a child process and returns its result (0..255), or -1 when it crashed.
template <typename Probe>
int InChildProcess(Probe probe) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(probe() & 0xFF);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace vkt::runtime::testing
