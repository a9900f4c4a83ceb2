// Latin-1 text at the library boundary and UTF-8 everywhere else.
#include "rules/latin1.h"

#include <gtest/gtest.h>

#include <string>

namespace vkt::rules {
namespace {

TEST(Latin1Test, Utf8InputBecomesLatin1OrIsRefused) {
    struct Case {
        std::string input;
        bool converts;
        std::string latin1;
    };
    const Case cases[] = {
        {"CLAVE 99", true, "CLAVE 99"},
        {"Contrase\xC3\xB1"
         "a",
         true,
         "Contrase\xF1"
         "a"},
        {"\xC3\xBF", true, "\xFF"},  // U+00FF, the last Latin-1 character
        // Above U+00FF: refused, each such character written as "?".
        {"\xC4\x80", false, "?"},      // U+0100
        {"\xE2\x82\xAC", false, "?"},  // U+20AC
        {"a\xF0\x9F\x94\x91"
         "b",
         false, "a?b"},  // U+1F511
        // Not UTF-8: taken as Latin-1 already, byte for byte.
        {"Contrase\xF1"
         "a",
         true,
         "Contrase\xF1"
         "a"},
        {"\xC0\xAF", true, "\xC0\xAF"},          // overlong form
        {"\xED\xA0\x80", true, "\xED\xA0\x80"},  // a surrogate
        {"\xC3", true, "\xC3"},                  // cut short
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        std::string latin1;
        EXPECT_EQ(Utf8ToLatin1(c.input, &latin1), c.converts);
        EXPECT_EQ(latin1, c.latin1);
    }
}

TEST(Latin1Test, EveryByteRoundTripsThroughUtf8) {
    std::string all;
    for (int byte = 1; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
    const std::string utf8 = Latin1ToUtf8(all);
    EXPECT_EQ(utf8.size(), 127u + 2 * 128u);
    EXPECT_EQ(Latin1ToUtf8("\xF1"), "\xC3\xB1");
    std::string back;
    ASSERT_TRUE(Utf8ToLatin1(utf8, &back));
    EXPECT_EQ(back, all);
}

TEST(Latin1Test, TellsUtf8FromOtherBytes) {
    EXPECT_TRUE(IsUtf8(""));
    EXPECT_TRUE(IsUtf8("claves-a\xC3\xB1o"));
    EXPECT_FALSE(IsUtf8("claves-a\xF1o"));
    EXPECT_FALSE(IsUtf8("\xC0\xAF"));
}

}  // namespace
}  // namespace vkt::rules
