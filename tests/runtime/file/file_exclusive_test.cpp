// No sharing: a file held by one process (or one object) cannot be opened by another.
#include <unistd.h>

#include <cerrno>

#include "file_test_support.h"
#include "runtime/file/file_object.h"
#include "runtime/status/status_code.h"
#include "support/file_locks.h"

namespace vkt::runtime {
namespace {

using FileExclusive = testing::ScratchFolder;

TEST_F(FileExclusive, FileHeldByAnotherProcessCannotBeOpened) {
    const std::string path = WriteFile("held.dat", "contenido");
    {
        testing::HoldingChild child([&] {
            static FileObject held(path.c_str());  // lives until the child's _exit
            return static_cast<int>(held.Open());
        });
        ASSERT_TRUE(child.Holding());

        FileObject object(path.c_str());
        EXPECT_EQ(object.Open(), static_cast<std::uint32_t>(EWOULDBLOCK));
        EXPECT_FALSE(object.IsOpen());
        int fd = -1;
        EXPECT_EQ(OpenFileFor(path.c_str(), kAccessWrite, kOpenExisting, &fd), kFileNotFound);
        EXPECT_EQ(fd, kInvalidFd);
        EXPECT_EQ(OpenFileFor(path.c_str(), kAccessWrite, kCreateAlways, &fd), kFileNotFound);
        EXPECT_EQ(ReadFile(path), "contenido") << "a held file must not be truncated";
        ASSERT_TRUE(child.Release());
    }
    FileObject object(path.c_str());
    EXPECT_EQ(object.Open(), 0u) << "free again once the holder has ended";
}

TEST_F(FileExclusive, FileHeldByThisProcessBlocksAnotherProcess) {
    const std::string path = WriteFile("mine.dat", "datos");
    FileObject mine(path.c_str());
    ASSERT_EQ(mine.Open(), 0u);
    ASSERT_EQ(mine.Lock(), 0u);
    const int childResult = testing::InChildProcess([&] {
        FileObject other(path.c_str());
        int fd = -1;
        const bool refused =
            other.Open() == static_cast<std::uint32_t>(EWOULDBLOCK) &&
            OpenFileFor(path.c_str(), kAccessRead, kOpenExisting, &fd) == kFileNotFound &&
            OpenFileFor(path.c_str(), kAccessWrite, kCreateAlways, &fd) == kFileNotFound;
        return refused ? 0 : 1;
    });
    EXPECT_EQ(childResult, 0);
    EXPECT_EQ(mine.Close(), 0u);
    EXPECT_EQ(testing::InChildProcess([&] {
                  FileObject other(path.c_str());
                  return static_cast<int>(other.Open());
              }),
              0)
        << "closing releases the file";
}

// Another process's advisory lock of any kind keeps the file from the library: opened for
// writing it is refused (and never truncated) under any lock; a file opened for reading only
// is refused under a write lock and shares a read lock.
TEST_F(FileExclusive, FileLockedByAnotherProcessIsRefusedWhateverTheLockKind) {
    for (const vkt::testing::NamedLockKind& lock : vkt::testing::kLockKinds) {
        SCOPED_TRACE(lock.name);
        const std::string path = WriteFile("locked.dat", "contenido");
        testing::HoldingChild child(
            [&] { return vkt::testing::OpenAndLock(path.c_str(), lock.kind); });
        ASSERT_TRUE(child.Holding());

        int fd = -1;
        EXPECT_EQ(OpenFileFor(path.c_str(), kAccessWrite, kOpenExisting, &fd), kFileNotFound);
        if (fd != kInvalidFd) ::close(fd);
        EXPECT_EQ(OpenFileFor(path.c_str(), kAccessWrite, kCreateAlways, &fd), kFileNotFound);
        if (fd != kInvalidFd) ::close(fd);
        EXPECT_EQ(ReadFile(path), "contenido") << "a locked file must not be truncated";

        FileObject reader(path.c_str());
        if (lock.kind == vkt::testing::LockKind::kPosixRead) {
            EXPECT_EQ(reader.Open(), 0u);
            EXPECT_EQ(reader.Lock(), 0u) << "two read locks share the file";
        } else {
            EXPECT_EQ(reader.Open(), static_cast<std::uint32_t>(EWOULDBLOCK));
        }
        reader.Close();
        ASSERT_TRUE(child.Release());
    }
}

// Two objects of one process are two opens: the second is refused as well.
TEST_F(FileExclusive, SecondObjectInTheSameProcessIsRefused) {
    const std::string path = WriteFile("twice.dat", "x");
    FileObject first(path.c_str());
    ASSERT_EQ(first.Open(), 0u);
    FileObject second(path.c_str());
    EXPECT_EQ(second.Open(), static_cast<std::uint32_t>(EWOULDBLOCK));
    int fd = -1;
    ASSERT_EQ(OpenFileFor(PathOf("other.dat").c_str(), kAccessWrite, kCreateNew, &fd), 0);
    FileObject third(PathOf("other.dat").c_str());
    EXPECT_EQ(third.Open(), static_cast<std::uint32_t>(EWOULDBLOCK)) << "helper's open holds too";
    ::close(fd);
}

}  // namespace
}  // namespace vkt::runtime
