// Holding the file: exclusive while the object lives, handed over to the session slot and
// adopted back, closed exactly once, nothing left open.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "formatted_fixture.h"
#include "protocol/transfer_file.h"
#include "runtime/status/status_code.h"
#include "runtime/table/session_slot.h"

namespace vkt::protocol {
namespace {

bool DescriptorValid(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

// 0 when another process can open the file, EWOULDBLOCK while it is held.
int OpenFromAnotherProcess(const std::string& path) {
    return runtime::testing::InChildProcess([&] {
        runtime::FileObject other(path.c_str());
        return static_cast<int>(other.Open());
    });
}

class TransferFileHold : public runtime::testing::ScratchFolder {
  protected:
    void SetUp() override {
        ScratchFolder::SetUp();
        path_ = WriteFile("Nomina.txt", testing::TypeAFile({"uno", "dos"}).Text());
        std::memset(&slot_, 0, sizeof slot_);
        slot_.fileHandle = runtime::kInvalidFileHandle;
        descriptorsBefore_ = testing::OpenDescriptors();
    }
    void TearDown() override {
        EXPECT_EQ(testing::OpenDescriptors(), descriptorsBefore_) << "a descriptor was left";
        ScratchFolder::TearDown();
    }

    std::string path_;
    runtime::SessionSlot slot_;
    int descriptorsBefore_ = 0;
};

TEST_F(TransferFileHold, HeldExclusivelyAndLockedWhileTheObjectLives) {
    {
        TransferFile file(path_.c_str(), 1);
        ASSERT_EQ(file.Validate(), 0);
        EXPECT_TRUE(file.IsOpen());
        EXPECT_TRUE(file.Locked());
        EXPECT_EQ(OpenFromAnotherProcess(path_), EWOULDBLOCK);
        TransferFile second(path_.c_str(), 1);
        EXPECT_EQ(second.Validate(), runtime::kFileNotFound) << "held, even within the process";
    }
    EXPECT_EQ(OpenFromAnotherProcess(path_), 0);
}

TEST_F(TransferFileHold, FileHeldByAnotherProcessIsNotFound) {
    runtime::testing::HoldingChild child([&] {
        static runtime::FileObject held(path_.c_str());
        return static_cast<int>(held.Open());
    });
    ASSERT_TRUE(child.Holding());
    TransferFile file(path_.c_str(), 1);
    EXPECT_EQ(file.Validate(), runtime::kFileNotFound);
    EXPECT_FALSE(file.IsOpen());
}

// A record lock taken by another program (fcntl, not flock) also keeps the file from us.
TEST_F(TransferFileHold, FileUnderAnotherProgramsWriteLockIsNotFound) {
    runtime::testing::HoldingChild child([&] {
        const int fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
        struct flock region {};
        region.l_type = F_WRLCK;
        region.l_whence = SEEK_SET;
        return fd >= 0 && ::fcntl(fd, F_SETLK, &region) == 0 ? 0 : 1;
    });
    ASSERT_TRUE(child.Holding());
    TransferFile file(path_.c_str(), 1);
    EXPECT_EQ(file.Validate(), runtime::kFileNotFound);
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(TransferFileHold, HandOverToTheSlotAndAdoptBack) {
    int fd = runtime::kInvalidFd;
    {
        TransferFile file(path_.c_str(), 1);
        ASSERT_EQ(file.Validate(), 0);
        fd = file.Fd();
        ASSERT_EQ(file.HandOver(slot_), 0u);
    }
    EXPECT_TRUE(DescriptorValid(fd)) << "kept open through the slot";
    EXPECT_EQ(slot_.fileHandle, static_cast<std::uint32_t>(fd));
    EXPECT_STREQ(slot_.currentFileName, path_.c_str());
    EXPECT_EQ(slot_.dataSize, 10u);
    EXPECT_EQ(slot_.fileKind, kFormattedFile);
    EXPECT_EQ(slot_.fileLocked, 1u);
    EXPECT_EQ(OpenFromAnotherProcess(path_), EWOULDBLOCK);

    {
        TransferFile again(slot_);  // a second step that must keep it open again
        ASSERT_TRUE(again.IsOpen());
        ASSERT_EQ(again.Describe(), 0);
        EXPECT_STREQ(again.InternalName(), "nomina");
        EXPECT_EQ(again.GetDataSize(), 10);
        ASSERT_EQ(again.SetKeepOpen(true), 0u);
    }
    EXPECT_TRUE(DescriptorValid(fd));

    {
        TransferFile last(slot_);  // the last step: keep open cleared, closes at the end
        ASSERT_TRUE(last.IsOpen());
        char data[16];
        std::uint32_t got = 0;
        ASSERT_EQ(last.ReadAt(data, last.DataOffset(), 10, &got), 0u);
        EXPECT_STREQ(data, "uno\r\ndos\r\n");
    }
    EXPECT_FALSE(DescriptorValid(fd));
    EXPECT_EQ(OpenFromAnotherProcess(path_), 0);
}

TEST_F(TransferFileHold, CloseKeptClosesAndClearsTheSlot) {
    TransferFile file(path_.c_str(), 2);
    ASSERT_EQ(file.Validate(), 0);
    const int fd = file.Fd();
    file.HandOver(slot_);
    EXPECT_EQ(slot_.fileKind, kPlainFile);
    TransferFile::CloseKept(slot_);
    EXPECT_FALSE(DescriptorValid(fd));
    EXPECT_EQ(slot_.fileHandle, runtime::kInvalidFileHandle);
    EXPECT_STREQ(slot_.currentFileName, "");
    EXPECT_EQ(slot_.dataSize, 0u);
    EXPECT_EQ(slot_.fileKind, kFormattedFile);
    EXPECT_EQ(slot_.fileLocked, 0u);
    EXPECT_FALSE(file.IsOpen()) << "the handed-over object no longer owns a file";
    TransferFile::CloseKept(slot_);  // nothing kept: only clears
}

// The send loop holds an adopted object while a release of the session closes the kept file;
// the descriptor number may then be reused by another file, which the object must not close.
TEST_F(TransferFileHold, DescriptorClosedBehindTheObjectIsNotClosedAgain) {
    TransferFile sent(path_.c_str(), 1);
    ASSERT_EQ(sent.Validate(), 0);
    sent.HandOver(slot_);
    const std::string otherPath = WriteFile("otro.dat", "ajeno");
    int reused = runtime::kInvalidFd;
    {
        TransferFile loop(slot_);
        ASSERT_TRUE(loop.IsOpen());
        const int fd = loop.Fd();
        TransferFile::CloseKept(slot_);  // the release
        reused = ::open(otherPath.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(reused, fd) << "lowest free number";
        EXPECT_EQ(loop.Close(), 0u);
        EXPECT_EQ(loop.Fd(), runtime::kInvalidFd);
    }
    EXPECT_TRUE(DescriptorValid(reused));
    {
        // A stale slot whose number now names another file is not adopted at all.
        slot_.fileHandle = static_cast<std::uint32_t>(reused);
        std::strcpy(slot_.currentFileName, path_.c_str());
        TransferFile stale(slot_);
        EXPECT_FALSE(stale.IsOpen());
        EXPECT_EQ(stale.Fd(), runtime::kInvalidFd);
    }
    EXPECT_TRUE(DescriptorValid(reused));
    ::close(reused);
}

TEST_F(TransferFileHold, DescribeNeedsAnOpenFile) {
    TransferFile unopened(path_.c_str(), 1);
    EXPECT_EQ(unopened.Describe(), runtime::kFileNotFound);
    EXPECT_EQ(unopened.HandOver(slot_), 1u);
    EXPECT_EQ(slot_.fileHandle, runtime::kInvalidFileHandle);
}

}  // namespace
}  // namespace vkt::protocol
