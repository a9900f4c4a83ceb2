// The file object: reading, sizes, locks, hand-over of the descriptor and stale descriptors.
#include "runtime/file/file_object.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "file_test_support.h"

namespace vkt::runtime {
namespace {

using FileObjectTest = testing::ScratchFolder;

bool DescriptorValid(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

// The record lock another open file description would run into, or F_UNLCK.
short ConflictingLock(const std::string& path) {
    const int probe = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    struct flock region {};
    region.l_type = F_WRLCK;
    region.l_whence = SEEK_SET;
    if (probe < 0 || ::fcntl(probe, F_OFD_GETLK, &region) != 0) region.l_type = -1;
    ::close(probe);
    return region.l_type;
}

TEST_F(FileObjectTest, ClosedObjectAnswersOne) {
    FileObject object(PathOf("missing").c_str());
    char buffer[4];
    std::uint32_t read = 7;
    EXPECT_EQ(object.ReadAt(buffer, 0, 3, &read), 1u);
    EXPECT_EQ(object.Lock(), 1u);
    EXPECT_EQ(object.Unlock(), 1u);
    EXPECT_EQ(object.Close(), 1u);
    EXPECT_EQ(object.SetKeepOpen(true), 1u);
    EXPECT_FALSE(object.IsOpen());
    EXPECT_EQ(object.Open(), static_cast<std::uint32_t>(ENOENT));
}

TEST_F(FileObjectTest, OpenReadsAndZeroTerminates) {
    const std::string path = WriteFile("digits.txt", "0123456789");
    FileObject object(path.c_str());
    ASSERT_EQ(object.Open(), 0u);
    EXPECT_EQ(object.Open(), 1u) << "already open";
    EXPECT_TRUE(object.IsOpen());
    EXPECT_NE(::fcntl(object.Fd(), F_GETFD) & FD_CLOEXEC, 0);

    char buffer[16];
    std::memset(buffer, 'X', sizeof buffer);
    std::uint32_t read = 0;
    ASSERT_EQ(object.ReadAt(buffer, 3, 5, &read), 0u);
    EXPECT_EQ(read, 5u);
    EXPECT_STREQ(buffer, "34567");

    std::memset(buffer, 'X', sizeof buffer);
    ASSERT_EQ(object.ReadAt(buffer, 7, 8, &read), 0u) << "short read at the end";
    EXPECT_EQ(read, 3u);
    EXPECT_STREQ(buffer, "789");
    ASSERT_EQ(object.ReadAt(buffer, 50, 4, &read), 0u) << "beyond the end";
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(buffer[0], '\0');
}

TEST_F(FileObjectTest, LockCoversTheWholeFileUntilUnlockOrClose) {
    const std::string path = WriteFile("locked.dat", "abc");
    {
        FileObject object(path.c_str());
        object.SetAccess(kAccessReadWrite);
        ASSERT_EQ(object.Open(), 0u);
        ASSERT_EQ(object.Lock(), 0u);
        EXPECT_TRUE(object.Locked());
        EXPECT_EQ(object.Lock(), 1u) << "already locked";
        EXPECT_EQ(ConflictingLock(path), F_WRLCK);
        ASSERT_EQ(object.Unlock(), 0u);
        EXPECT_EQ(object.Unlock(), 1u);
        EXPECT_EQ(ConflictingLock(path), F_UNLCK);
        ASSERT_EQ(object.Lock(), 0u);
    }
    EXPECT_EQ(ConflictingLock(path), F_UNLCK) << "destruction releases the lock";

    FileObject reader(path.c_str());
    ASSERT_EQ(reader.Open(), 0u);
    ASSERT_EQ(reader.Lock(), 0u);
    EXPECT_EQ(ConflictingLock(path), F_RDLCK) << "a read-only object takes a read lock";
}

// keepOpen hands the descriptor on: it survives the object, the file stays held and locked,
// and the adopting object reads it and finally closes it.
TEST_F(FileObjectTest, KeepOpenHandsTheDescriptorToAnAdoptingObject) {
    const std::string path = WriteFile("handover.dat", "firmado");
    int fd = kInvalidFd;
    {
        FileObject first(path.c_str());
        ASSERT_EQ(first.Open(), 0u);
        ASSERT_EQ(first.Lock(), 0u);
        ASSERT_EQ(first.SetKeepOpen(true), 0u);
        EXPECT_EQ(first.Close(), 0u) << "keepOpen: Close does nothing";
        fd = first.Fd();
    }
    ASSERT_TRUE(DescriptorValid(fd));
    FileObject intruder(path.c_str());
    EXPECT_EQ(intruder.Open(), static_cast<std::uint32_t>(EWOULDBLOCK)) << "still held";
    EXPECT_EQ(ConflictingLock(path), F_RDLCK) << "still locked";

    {
        FileObject adopted(fd, path.c_str(), kAccessRead, true);
        EXPECT_TRUE(adopted.IsOpen());
        EXPECT_TRUE(adopted.Locked());
        char buffer[8];
        std::uint32_t read = 0;
        ASSERT_EQ(adopted.ReadAt(buffer, 0, 7, &read), 0u);
        EXPECT_STREQ(buffer, "firmado");
        EXPECT_EQ(adopted.Close(), 0u);
        EXPECT_FALSE(DescriptorValid(fd));
        EXPECT_FALSE(adopted.IsOpen());
    }
    EXPECT_EQ(ConflictingLock(path), F_UNLCK);
    EXPECT_EQ(intruder.Open(), 0u) << "free once the adopter closed it";
}

// A descriptor closed behind the object's back, or closed and its number reused for another
// file, is recognised and dropped; the reused descriptor is not closed by the object.
TEST_F(FileObjectTest, StaleDescriptorIsDetected) {
    const std::string path = WriteFile("stale.dat", "uno");
    const std::string otherPath = WriteFile("other.dat", "dos");
    {
        FileObject object(path.c_str());
        ASSERT_EQ(object.Open(), 0u);
        ::close(object.Fd());
        EXPECT_FALSE(object.IsOpen());
    }
    int reused = kInvalidFd;
    {
        FileObject object(path.c_str());
        ASSERT_EQ(object.Open(), 0u);
        const int fd = object.Fd();
        ::close(fd);
        reused = ::open(otherPath.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(reused, fd) << "the lowest free number is reused";
        EXPECT_FALSE(object.IsOpen());
        EXPECT_EQ(object.Fd(), kInvalidFd);
    }
    EXPECT_TRUE(DescriptorValid(reused)) << "someone else's descriptor must stay open";
    ::close(reused);

    FileObject adopted(12345, path.c_str(), kAccessRead, false);
    EXPECT_FALSE(adopted.IsOpen()) << "a number that is no descriptor at all";
}

// Only regular files: a directory is refused and a FIFO neither blocks nor opens.
TEST_F(FileObjectTest, OnlyRegularFilesAreOpened) {
    FileObject folder(folder_.c_str());
    EXPECT_EQ(folder.Open(), static_cast<std::uint32_t>(EISDIR));
    const std::string fifo = PathOf("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    FileObject pipe(fifo.c_str());
    EXPECT_NE(pipe.Open(), 0u);
    EXPECT_FALSE(pipe.IsOpen());
}

// A name that does not fit is refused, not cut to a shorter path that may name another file.
TEST_F(FileObjectTest, OverlongNameIsRefusedNotTruncated) {
    const std::string folder = folder_.string() + "/";
    const std::string prefix = folder + std::string(253 - folder.size(), 'p');
    WriteFile(prefix.substr(folder.size()), "wrong file");
    const std::string longName = prefix + "-and-more";
    FileObject object(longName.c_str());
    EXPECT_EQ(object.Open(), static_cast<std::uint32_t>(ENAMETOOLONG));

    FileObject fits(prefix.c_str());
    EXPECT_EQ(fits.Open(), 0u) << "253 bytes still fit";
}

}  // namespace
}  // namespace vkt::runtime
