// The file helpers and their status codes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_test_support.h"
#include "runtime/file/file_object.h"
#include "runtime/status/status_code.h"

namespace vkt::runtime {
namespace {

using FileHelpers = testing::ScratchFolder;

TEST_F(FileHelpers, OpenAppendAndDispositions) {
    const std::string path = PathOf("received.dat");
    int fd = kInvalidFd;
    ASSERT_EQ(OpenFileFor(path.c_str(), kAccessWrite, kOpenAlways, &fd), kStatusOk);
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    ASSERT_EQ(AppendToFile(fd, "abc", 3), kStatusOk);
    ASSERT_EQ(::lseek(fd, 0, SEEK_SET), 0);
    ASSERT_EQ(AppendToFile(fd, "def", 3), kStatusOk) << "appends at the end wherever the offset";
    ASSERT_EQ(AppendToFile(fd, nullptr, 0), kStatusOk);
    ::close(fd);
    EXPECT_EQ(ReadFile(path), "abcdef");

    ASSERT_EQ(OpenFileFor(path.c_str(), kAccessReadWrite, kOpenExisting, &fd), kStatusOk);
    ::close(fd);
    EXPECT_EQ(ReadFile(path), "abcdef") << "open existing keeps the content";
    ASSERT_EQ(OpenFileFor(path.c_str(), kAccessWrite, kCreateAlways, &fd), kStatusOk);
    ::close(fd);
    EXPECT_EQ(ReadFile(path), "") << "create always truncates";

    ASSERT_EQ(RemoveFile(path.c_str()), kStatusOk);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(FileHelpers, FailureCodes) {
    const std::string existing = WriteFile("existing.dat", "x");
    const std::string missing = PathOf("missing.dat");
    const std::string inMissingFolder = PathOf("no-folder/file.dat");
    int fd = 99;

    EXPECT_EQ(OpenFileFor(missing.c_str(), kAccessWrite, kOpenExisting, &fd), kFileNotFound);
    EXPECT_EQ(fd, kInvalidFd);
    EXPECT_EQ(OpenFileFor(existing.c_str(), kAccessWrite, kCreateNew, &fd), kFileNotFound);
    EXPECT_EQ(OpenFileFor(inMissingFolder.c_str(), kAccessWrite, kOpenAlways, &fd), kFileNotFound);
    EXPECT_EQ(OpenFileFor(folder_.c_str(), kAccessRead, kOpenExisting, &fd), kFileNotFound);
    EXPECT_EQ(OpenFileFor(existing.c_str(), static_cast<FileAccess>(0), kOpenExisting, &fd),
              kFileNotFound);
    EXPECT_EQ(OpenFileFor(existing.c_str(), kAccessRead, kOpenExisting, nullptr), kFileNotFound);
    EXPECT_FALSE(std::filesystem::exists(missing)) << "a failed open creates nothing";

    EXPECT_EQ(RemoveFile(missing.c_str()), kFileIoError);
    EXPECT_EQ(RemoveFile(folder_.c_str()), kFileIoError);
    EXPECT_EQ(RemoveFile(nullptr), kFileIoError);

    EXPECT_EQ(AppendToFile(-1, "x", 1), kFileIoError);
    ASSERT_EQ(OpenFileFor(existing.c_str(), kAccessRead, kOpenExisting, &fd), kStatusOk);
    EXPECT_EQ(AppendToFile(fd, "x", 1), kFileIoError) << "read-only descriptor";
    EXPECT_EQ(AppendToFile(fd, nullptr, 1), kFileIoError);
    ::close(fd);
    EXPECT_EQ(ReadFile(existing), "x");
}

}  // namespace
}  // namespace vkt::runtime
