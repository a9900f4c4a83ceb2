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

#include "support/holding_child.h"

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

using HoldingChild = vkt::testing::HoldingChild;

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
