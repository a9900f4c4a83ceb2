// Validation of formatted record files: one small fixture per rule and its code.
#include <cstring>
#include <functional>

#include "formatted_fixture.h"
#include "protocol/transfer_file.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {
namespace {

using testing::Record;
using testing::TypeAFile;

class TransferFileFormat : public runtime::testing::ScratchFolder {};

TypeAFile ThreeRecords() {
    return TypeAFile({"primero", "segundo", "tercero"});
}

// A valid type "A" file changed by edit, and the code its validation must give.
struct FormatCase {
    const char* what;
    std::function<std::string()> content;
    std::int32_t expected;
};

std::string Edited(const std::function<void(TypeAFile&)>& edit) {
    TypeAFile file = ThreeRecords();
    edit(file);
    return file.Text();
}

const FormatCase kCases[] = {
    {"valid type A", [] { return ThreeRecords().Text(); }, 0},
    {"valid type A without body", [] { return TypeAFile({}).Text(); }, 0},
    {"valid type B", [] { return testing::TypeBFile(std::string(1000, 'b')); }, 0},
    {"valid type B holding CR LF and NUL",
     [] { return testing::TypeBFile(std::string("a\r\nb\0c\r", 7)); }, 0},
    {"header without CR LF", [] { return Edited([](TypeAFile& f) { f.header.end = "\rX"; }); },
     kFormatNoCrLf},
    {"footer ends LF CR", [] { return Edited([](TypeAFile& f) { f.footer.end = "\n\r"; }); },
     kFormatNoCrLf},
    {"header record type 01",
     [] { return Edited([](TypeAFile& f) { f.header.recordType = "01"; }); }, kFormatRecordType},
    {"footer record type 00",
     [] { return Edited([](TypeAFile& f) { f.footer.recordType = "00"; }); }, kFormatRecordType},
    {"file types A and B", [] { return Edited([](TypeAFile& f) { f.footer.fileType = "B"; }); },
     kFormatFileTypeMismatch},
    {"file types both C",
     [] { return Edited([](TypeAFile& f) { f.header.fileType = f.footer.fileType = "C"; }); },
     kFormatFileTypeMismatch},
    {"names differ", [] { return Edited([](TypeAFile& f) { f.footer.name = "NOMINB"; }); },
     kFormatNameMismatch},
    {"dates differ", [] { return Edited([](TypeAFile& f) { f.footer.date = "20240201"; }); },
     kFormatStampMismatch},
    {"times differ", [] { return Edited([](TypeAFile& f) { f.footer.time = "000000"; }); },
     kFormatStampMismatch},
    {"count fields differ",
     [] { return Edited([](TypeAFile& f) { f.footer.count = "000000004"; }); },
     kFormatCountMismatch},
    {"type A count one short",
     [] { return Edited([](TypeAFile& f) { f.header.count = f.footer.count = "000000002"; }); },
     kFormatRecordCount},
    {"type A count one over",
     [] { return Edited([](TypeAFile& f) { f.header.count = f.footer.count = "000000004"; }); },
     kFormatRecordCount},
    {"type B count one short",
     [] {
         std::string text = testing::TypeBFile(std::string(1000, 'b'));
         text.replace(27, 9, "000000999");
         text.replace(text.size() - 38 + 27, 9, "000000999");
         return text;
     },
     kFormatRecordCount},
    {"count field not all digits",
     [] { return Edited([](TypeAFile& f) { f.header.count = f.footer.count = "00000003x"; }); },
     kFormatRecordCount},
    // The count is read as atoi reads it: blanks around the digits are accepted.
    {"count field right-aligned with blanks",
     [] { return Edited([](TypeAFile& f) { f.header.count = f.footer.count = "        3"; }); }, 0},
    {"count field left-aligned with blanks",
     [] { return Edited([](TypeAFile& f) { f.header.count = f.footer.count = "3        "; }); }, 0},
    {"count field with a tab and trailing NULs",
     [] {
         return Edited([](TypeAFile& f) {
             f.header.count = f.footer.count = std::string("\t03\0\0\0\0\0\0", 9);
         });
     },
     0},
    {"count field of blanks only",
     [] { return Edited([](TypeAFile& f) { f.header.count = f.footer.count = "         "; }); },
     kFormatRecordCount},
    {"count field with a sign",
     [] { return Edited([](TypeAFile& f) { f.header.count = f.footer.count = "+00000003"; }); },
     kFormatRecordCount},
    {"count field with blanks between digits",
     [] { return Edited([](TypeAFile& f) { f.header.count = f.footer.count = "0000 0003"; }); },
     kFormatRecordCount},
    // The footer is the last 38 bytes: here they overlap the header.
    {"shorter than header and footer", [] { return ThreeRecords().Text().substr(0, 75); },
     kFormatRecordCount},
    // A last body record without CR LF is accepted; the count is that of the CR LF pairs.
    {"type A last body record without CR LF, counted by its pairs",
     [] {
         TypeAFile file({"primero", "segundo"});
         std::string text = file.Text();
         return text.insert(text.size() - 38, "cola");
     },
     0},
    {"type A last body record without CR LF, counted as a record",
     [] {
         TypeAFile file({"primero", "segundo", "cola"});
         std::string text = file.Text();
         return text.erase(text.size() - 40, 2);
     },
     kFormatRecordCount},
    {"blank internal name",
     [] { return Edited([](TypeAFile& f) { f.header.name = f.footer.name = ""; }); },
     kFormatFileType},
    // Records behind a NUL byte are counted like all others.
    {"NUL byte inside a body record",
     [] {
         return TypeAFile({std::string("con\0nulo", 8), "segundo", "tercero"}).Text();
     },
     0},
    // Fields compare as text up to a NUL: what follows it is not looked at.
    {"names equal up to a NUL",
     [] {
         return Edited([](TypeAFile& f) {
             f.header.name = std::string("NOM\0AAAAAA", 10);
             f.footer.name = std::string("NOM\0BBBBBB", 10);
         });
     },
     0},
};

TEST_F(TransferFileFormat, EachRuleGivesItsCode) {
    const int descriptorsBefore = testing::OpenDescriptors();
    for (const FormatCase& test : kCases) {
        const std::string path = WriteFile("nomina.txt", test.content());
        TransferFile file(path.c_str(), 1);
        EXPECT_EQ(file.Validate(), test.expected) << test.what;
        EXPECT_EQ(file.Kind(), kFormattedFile) << test.what;
        EXPECT_EQ(file.Close(), 0u) << test.what << ": opened by Validate";
    }
    EXPECT_EQ(testing::OpenDescriptors(), descriptorsBefore);
}

TEST_F(TransferFileFormat, ValidFileGivesBodyRangeAndName) {
    const TypeAFile content = ThreeRecords();  // 5 CR LF pairs, count 000000003
    const std::string path = WriteFile("nomina.txt", content.Text());
    TransferFile file(path.c_str(), 1);
    ASSERT_EQ(file.Validate(), 0);
    EXPECT_EQ(file.GetDataSize(), static_cast<std::int32_t>(content.Text().size() - 76));
    EXPECT_EQ(file.DataOffset(), 38u);
    EXPECT_EQ(std::memcmp(file.HeaderRecord(), content.header.Text().data(), 38), 0);
    EXPECT_EQ(std::memcmp(file.FooterRecord(), content.footer.Text().data(), 38), 0);
    EXPECT_STREQ(file.InternalName(), "nomina");

    char body[64];
    std::uint32_t got = 0;
    ASSERT_EQ(file.ReadAt(body, file.DataOffset(), file.GetDataSize(), &got), 0u);
    EXPECT_EQ(std::string(body, got), "primero\r\nsegundo\r\ntercero\r\n");
}

TEST_F(TransferFileFormat, TypeBOf1076BytesCarriesCount1000) {
    const std::string text = testing::TypeBFile(std::string(1000, '\0'));
    ASSERT_EQ(text.size(), 1076u);
    ASSERT_EQ(text.substr(27, 9), "000001000");
    TransferFile file(WriteFile("b.dat", text).c_str(), 1);
    EXPECT_EQ(file.Validate(), 0);
    EXPECT_EQ(file.GetDataSize(), 1000);
}

// Any kind other than 1 is a plain file: checked for size only, sent whole.
TEST_F(TransferFileFormat, OtherKindsArePlainFiles) {
    const std::string path = WriteFile("Informe.TXT", "no tiene formato");
    for (const std::int32_t tipo : {0, 2, 3, -1}) {
        TransferFile file(path.c_str(), tipo);
        EXPECT_EQ(file.Validate(), 0) << tipo;
        EXPECT_EQ(file.Kind(), kPlainFile);
        EXPECT_EQ(file.GetDataSize(), 16);
        EXPECT_EQ(file.DataOffset(), 0u);
        EXPECT_STREQ(file.InternalName(), "informe");
    }
    TransferFile formatted(path.c_str(), 1);
    EXPECT_EQ(formatted.Validate(), kFormatRecordCount) << "16 bytes hold no header and footer";
}

TEST_F(TransferFileFormat, MissingEmptyAndUnnamedFiles) {
    for (const std::int32_t tipo : {1, 2}) {
        TransferFile missing(PathOf("falta.txt").c_str(), tipo);
        EXPECT_EQ(missing.Validate(), runtime::kFileNotFound) << tipo;
        EXPECT_FALSE(missing.IsOpen());
        TransferFile empty(WriteFile("vacio.txt", "").c_str(), tipo);
        EXPECT_EQ(empty.Validate(), runtime::kFileIoError) << tipo;
        TransferFile folder(folder_.c_str(), tipo);
        EXPECT_EQ(folder.Validate(), runtime::kFileNotFound) << tipo;
    }
    TransferFile hidden(WriteFile(".oculto", "datos").c_str(), 2);
    EXPECT_EQ(hidden.Validate(), kFormatFileType) << "no name for the server";
    EXPECT_STREQ(hidden.InternalName(), "");
}

}  // namespace
}  // namespace vkt::protocol
