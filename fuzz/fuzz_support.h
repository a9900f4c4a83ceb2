// What the harnesses share: a private temporary folder for the files they feed to the code
// under test, removed with everything in it when the process ends.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace vkt::fuzz {

class TempFolder {
  public:
    TempFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base != 0 ? base : "/tmp") + "/vkt-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~TempFolder() { RemoveTree(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string File(const char* name) const { return path_ + "/" + name; }

  private:
    static void RemoveTree(const std::string& path) {
        if (DIR* dir = ::opendir(path.c_str())) {
            while (const dirent* entry = ::readdir(dir)) {
                const std::string name = entry->d_name;
                if (name == "." || name == "..") continue;
                const std::string child = path + "/" + name;
                struct stat info {};
                if (::lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
                    RemoveTree(child);
                } else {
                    ::unlink(child.c_str());
                }
            }
            ::closedir(dir);
        }
        ::rmdir(path.c_str());
    }

    std::string path_;
};

// The process's folder, made on first use.
inline const TempFolder& Scratch() {
    static TempFolder folder;
    return folder;
}

// Replaces the file at path by exactly size bytes; aborts when that fails, since a run that
// could not set up its input says nothing about the code under test.
inline void WriteWholeFile(const std::string& path, const std::uint8_t* bytes, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

}  // namespace vkt::fuzz
