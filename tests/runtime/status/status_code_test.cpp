// Status code composition, message ids and the catalogue texts.
#include "runtime/status/status_code.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "runtime/status/catalogue.h"

namespace vkt::runtime {
namespace {

TEST(StatusCode, ComposeStatusPrefixesTheSourceDigit) {
    struct Case {
        std::int32_t raw, source, expected;
    };
    const Case cases[] = {
        {10054, kSourceNetwork, 110054}, {10022, kSourceNetwork, 110022},
        {11004, kSourceNetwork, 111004}, {-604, kSourceCrypto, 2604},
        {604, kSourceCrypto, 2604},      {-102, kSourceCrypto, 2102},
        {40055, kSourceLibrary, 40055},  {-7, kSourceLibrary, -7},
        {0, kSourceNetwork, 10},         {INT_MIN, kSourceCrypto, INT_MAX},  // saturates
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ComposeStatus(c.raw, c.source), c.expected) << c.raw << " source " << c.source;
    }
}

TEST(StatusCode, MessageIdReplacesALeadingOneByZero) {
    struct Case {
        std::int32_t code, id;
    };
    const Case cases[] = {
        {110054, 10054}, {111004, 11004}, {-110054, 10054},   {2604, 2604},
        {40055, 40055},  {49997, 49997},  {10054, 54},        {1, 0},
        {0, 0},          {-2604, -2604},  {INT_MIN, INT_MIN},
    };
    for (const Case& c : cases) EXPECT_EQ(MessageIdFor(c.code), c.id) << c.code;
}

std::string TextOfCode(std::int32_t code) {
    return CatalogueText(MessageIdFor(code));
}

TEST(Catalogue, TextsOfComposedCodes) {
    EXPECT_EQ(TextOfCode(ComposeStatus(10054, kSourceNetwork)),
              "La conexi\xF3n fue reseteada por el lado remoto");
    EXPECT_EQ(TextOfCode(ComposeStatus(-604, kSourceCrypto)),
              "Contrase\xF1"
              "a incorrecta o la clave est\xE1 corrompida");
    EXPECT_EQ(TextOfCode(40055), "Tiempo m\xE1ximo de espera superado.");
    EXPECT_EQ(TextOfCode(ComposeStatus(11001, kSourceNetwork)),
              "No se encontr\xF3 el servidor especificado");
    EXPECT_EQ(TextOfCode(40062),
              "Error Desconocido - El servidor ha enviado un mensaje de error con formato "
              "inv\xE1lido.");
    EXPECT_EQ(TextOfCode(40202),
              "Formato del archivo inv\xE1lido - El tipo de archivo no coincide (header-footer) "
              "\xF3 es inv\xE1lido");
    EXPECT_EQ(TextOfCode(40016),
              "Interactiva actualmente en uso, utilice otra o descon\xE9"
              "ctela.");
    EXPECT_EQ(TextOfCode(2102),
              "Falta inicializaci\xF3n de rutinas criptogr\xE1"
              "ficas");
    EXPECT_EQ(TextOfCode(40030), "Error de integridad en Nubrex.dll");
}

// The whole id range holds exactly the 130 texts; 40060 and unknown ids have none; every text
// fits a record and is Latin-1 (no UTF-8 lead byte of the Latin-1 range).
TEST(Catalogue, CompleteLatin1AndBounded) {
    int withText = 0;
    std::size_t longest = 0;
    std::int32_t longestId = 0;
    for (std::int32_t id = -1000; id <= 60000; ++id) {
        const char* text = CatalogueText(id);
        ASSERT_NE(text, nullptr);
        const std::size_t length = std::strlen(text);
        if (length == 0) continue;
        ++withText;
        EXPECT_LE(length, 253u) << id;
        for (std::size_t i = 0; i < length; ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            EXPECT_TRUE(byte != 0xC2 && byte != 0xC3) << "UTF-8 in text of " << id;
        }
        if (length > longest) {
            longest = length;
            longestId = id;
        }
    }
    EXPECT_EQ(withText, 130);
    EXPECT_STREQ(CatalogueText(40060), "");
    EXPECT_STREQ(CatalogueText(40031), "");
    EXPECT_EQ(longestId, 49997);
    EXPECT_STREQ(CatalogueText(49997),
                 "Se ha superado el tiempo m\xE1ximo establecido sin que se reciban mensajes del "
                 "servidor. Se finaliza la conexi\xF3n actual.");
}

}  // namespace
}  // namespace vkt::runtime
