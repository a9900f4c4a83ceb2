// Latin-1 at the library boundary, and the command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/latin1.h"

namespace vkt::cli {
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
        {"\xC3\xBF", true, "\xFF"},       // U+00FF, the last Latin-1 character
        {"\xC4\x80", false, ""},          // U+0100
        {"\xE2\x82\xAC", false, ""},      // U+20AC
        {"\xF0\x9F\x94\x91", false, ""},  // U+1F511
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
        if (c.converts) {
            EXPECT_EQ(latin1, c.latin1);
        }
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

bool Parse(std::vector<std::string> args, CommandLine* line, std::string* message) {
    args.insert(args.begin(), "vkt");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    return ParseCommandLine(static_cast<int>(argv.size()), argv.data(), line, message);
}

TEST(CommandLineTest, ReadsCommandsWithOptionsInAnyOrder) {
    CommandLine line;
    std::string message;
    ASSERT_TRUE(Parse({"--server", "h", "send", "f.txt", "--field", "Importe=1=2", "--plain",
                       "--field=Concepto=", "--port=7000", "--timeout", "30"},
                      &line, &message))
        << message;
    EXPECT_EQ(line.command, "send");
    EXPECT_EQ(line.target, "f.txt");
    EXPECT_TRUE(line.plain);
    EXPECT_EQ(line.server, "h");
    EXPECT_EQ(line.port, "7000");
    EXPECT_EQ(line.timeout, 30);
    using Pair = std::pair<std::string, std::string>;
    EXPECT_EQ(line.fields, (std::vector<Pair>{{"Importe", "1=2"}, {"Concepto", ""}}));

    CommandLine get;
    ASSERT_TRUE(Parse({"get", "datos.txt", "--to", "/tmp/in"}, &get, &message)) << message;
    EXPECT_EQ(get.to, "/tmp/in");
}

TEST(CommandLineTest, RefusesWhatCannotBeRun) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"put", "f"},
        {"send"},
        {"send", "a", "b"},
        {"send", ""},
        {"get", "f"},
        {"get", "f", "--to", "d", "--plain"},
        {"verify", "f", "--field", "A=1"},
        {"send", "f", "--to", "d"},
        {"send", "f", "--field", "A"},
        {"send", "f", "--timeout", "soon"},
        {"send", "f", "--timeout", "-1"},
        {"send", "f", "--colour", "red"},
        {"send", "f", "--server"},
    };
    for (const auto& args : bad) {
        CommandLine line;
        std::string message;
        EXPECT_FALSE(Parse(args, &line, &message)) << testing::PrintToString(args);
        EXPECT_FALSE(message.empty());
    }
    CommandLine line;
    std::string message;
    ASSERT_TRUE(Parse({"send", "--help"}, &line, &message));
    EXPECT_TRUE(line.help);
}

}  // namespace
}  // namespace vkt::cli
