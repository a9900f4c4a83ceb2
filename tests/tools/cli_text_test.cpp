// The command line of vkt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/command_line.h"

namespace vkt::cli {
namespace {

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

    EXPECT_FALSE(line.quiet || line.verbose || line.passwordFile || line.waitSession);
    EXPECT_EQ(line.progress, "auto");

    CommandLine get;
    ASSERT_TRUE(Parse({"get", "datos.txt", "-v", "--to", "/tmp/in", "--password-file=clave",
                       "--wait-session", "0", "--progress=never"},
                      &get, &message))
        << message;
    EXPECT_EQ(get.to, "/tmp/in");
    EXPECT_TRUE(get.verbose);
    EXPECT_EQ(get.passwordFile, "clave");
    EXPECT_EQ(get.waitSession, 0);
    EXPECT_EQ(get.progress, "never");
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
        {"send", "f", "--wait-session", "soon"},
        {"send", "f", "-q", "--verbose"},
        {"send", "f", "--progress", "sometimes"},
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
    ASSERT_TRUE(Parse({"--version"}, &line, &message));
    EXPECT_TRUE(line.version);
}

}  // namespace
}  // namespace vkt::cli
