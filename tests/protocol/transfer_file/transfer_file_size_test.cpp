// The size limit of formatted files, sizes beyond 32 bits, and the record count across the
// 8,192-byte pieces it reads.
#include <fcntl.h>
#include <unistd.h>

#include "formatted_fixture.h"
#include "protocol/transfer_file.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {
namespace {

using testing::TypeAFile;

class TransferFileSize : public runtime::testing::ScratchFolder {
  protected:
    // A sparse file of the given size (no disk space used).
    std::string SparseFile(const std::string& name, off_t size) {
        const std::string path = PathOf(name);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
        return path;
    }

    std::uint64_t CountPairs(const std::string& content) {
        runtime::FileObject file(WriteFile("cuenta.dat", content).c_str());
        EXPECT_EQ(file.Open(), 0u);
        std::uint64_t pairs = 99;
        EXPECT_EQ(CountRecordEnds(file, &pairs), 0);
        return pairs;
    }
};

TEST_F(TransferFileSize, ExactlyEightMegabytesPassesOneByteMoreDoesNot) {
    const std::string atLimit = testing::TypeBFile(std::string(kMaxFormattedSize - 76, 'x'));
    ASSERT_EQ(atLimit.size(), kMaxFormattedSize);
    TransferFile exact(WriteFile("limite.dat", atLimit).c_str(), 1);
    EXPECT_EQ(exact.Validate(), 0);
    EXPECT_EQ(exact.GetDataSize(), 8388608 - 76);

    const std::string over = testing::TypeBFile(std::string(kMaxFormattedSize - 75, 'x'));
    TransferFile oneMore(WriteFile("excede.dat", over).c_str(), 1);
    EXPECT_EQ(oneMore.Validate(), kFormatTooLarge);
    oneMore.Close();
    TransferFile asPlain(WriteFile("excede.dat", over).c_str(), 2);
    EXPECT_EQ(asPlain.Validate(), 0) << "the limit is that of formatted files";
}

// The low 32 bits of 4 GiB + 100 would read as 100 bytes.
TEST_F(TransferFileSize, SizesBeyond32BitsAreNotCut) {
    const std::string huge = SparseFile("enorme.dat", (off_t{1} << 32) + 100);
    TransferFile formatted(huge.c_str(), 1);
    EXPECT_EQ(formatted.Validate(), kFormatTooLarge);
    formatted.Close();
    TransferFile plain(huge.c_str(), 2);
    EXPECT_EQ(plain.Validate(), runtime::kFileIoError);

    TransferFile largestPlain(SparseFile("grande.dat", INT32_MAX).c_str(), 2);
    EXPECT_EQ(largestPlain.Validate(), 0);
    EXPECT_EQ(largestPlain.GetDataSize(), INT32_MAX);
    TransferFile tooLargePlain(SparseFile("grande2.dat", off_t{INT32_MAX} + 1).c_str(), 2);
    EXPECT_EQ(tooLargePlain.Validate(), runtime::kFileIoError) << "data size is signed 32-bit";
}

// Header (38 bytes) then a record whose CR is byte 8,191 and LF byte 8,192, then one more.
TEST_F(TransferFileSize, CrLfAcrossThePieceBoundaryCountsOnce) {
    const TypeAFile content({std::string(8191 - 38, 'x'), "ultimo"});
    const std::string text = content.Text();
    ASSERT_EQ(text.substr(8191, 2), "\r\n");
    TransferFile file(WriteFile("borde.txt", text).c_str(), 1);
    EXPECT_EQ(file.Validate(), 0);
    file.Close();
    EXPECT_EQ(CountPairs(text), 4u);

    for (const char* wrong : {"000000001", "000000003"}) {
        TypeAFile miscounted = content;
        miscounted.header.count = miscounted.footer.count = wrong;
        TransferFile bad(WriteFile("borde.txt", miscounted.Text()).c_str(), 1);
        EXPECT_EQ(bad.Validate(), kFormatRecordCount) << wrong;
    }
}

TEST_F(TransferFileSize, CountingEdges) {
    const struct {
        std::string content;
        std::uint64_t pairs;
    } cases[] = {
        {"ab\r\ncd\r", 1},                       // lone CR at the end
        {std::string(8191, 'x') + "\r", 0},      // piece ends in a lone CR
        {std::string(8191, 'x') + "\r\r\n", 1},  // CR at 8191, CR LF after it
        {std::string(8191, 'x') + "\r" + std::string(8191, 'y') + "\r\n", 1},  // two boundaries
        {std::string(8192, 'x') + "\r\n", 1},     // pair starts a piece
        {std::string("\r\n\0\r\n\0\r\n", 8), 3},  // NUL bytes between pairs
        {"\n\r\r\r\n\n", 1},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(CountPairs(test.content), test.pairs) << test.content.size();
    }
}

}  // namespace
}  // namespace vkt::protocol
