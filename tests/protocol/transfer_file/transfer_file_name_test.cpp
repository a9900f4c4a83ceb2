// Internal names: from the header of a formatted file and from the path of a plain file.
#include <cstring>

#include "formatted_fixture.h"
#include "protocol/transfer_file.h"

namespace vkt::protocol {
namespace {

TEST(InternalName, FromPath) {
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"/home/ana/Informe.TXT", "informe"},
        {"/home/ana/informe.final.txt", "informe"},  // two dots: the part before the first
        {"/home/ana/v1.2/Informe.txt", "informe"},   // a dot in a folder does not count
        {"/home/ana/sin_punto", "sin_punto"},
        {"relativo.dat", "relativo"},
        {"C:\\Datos\\ENVIO.dat", "envio"},  // "\" separates too
        {"/home/ana/mixto\\Parte.dat", "parte"},
        {"/home/ana/Ñandú.txt", "Ñandú"},  // bytes above 0x7F unchanged
        {"/home/ana/.oculto", ""},
        {"/home/ana/", ""},
    };
    for (const auto& test : cases) {
        char name[kMaxInternalName + 1];
        std::memset(name, 'Z', sizeof name);
        EXPECT_EQ(InternalNameOfPath(test.path, name), std::strlen(test.name)) << test.path;
        EXPECT_STREQ(name, test.name) << test.path;
    }
}

TEST(InternalName, FromHeader) {
    const struct {
        std::string field;  // the 10 bytes at offset 3
        const char* name;
    } cases[] = {
        {"ABC DEF   ", "abc"},
        {"NOMINA2024", "nomina2024"},
        {" NOMINA   ", ""},
        {std::string("Ab\0CD     ", 10), "ab"},
    };
    for (const auto& test : cases) {
        testing::Record header;
        header.name = test.field;
        const std::string text = header.Text();
        char name[kMaxInternalName + 1];
        EXPECT_EQ(InternalNameOfHeader(reinterpret_cast<const std::uint8_t*>(text.data()), name),
                  std::strlen(test.name));
        EXPECT_STREQ(name, test.name);
    }
}

class TransferFileName : public runtime::testing::ScratchFolder {};

TEST_F(TransferFileName, ValidatedFileReportsItsName) {
    testing::TypeAFile content({"uno"});
    content.header.name = content.footer.name = "ABC DEF";
    TransferFile formatted(WriteFile("Otro.Nombre.txt", content.Text()).c_str(), 1);
    ASSERT_EQ(formatted.Validate(), 0);
    EXPECT_STREQ(formatted.InternalName(), "abc");
    formatted.Close();

    TransferFile plain(WriteFile("Otro.Nombre.txt", "x").c_str(), 2);
    ASSERT_EQ(plain.Validate(), 0);
    EXPECT_STREQ(plain.InternalName(), "otro");
}

}  // namespace
}  // namespace vkt::protocol
