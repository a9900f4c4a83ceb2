// The tools' shared option parser, over getopt_long, as a table of command lines.
#include "common/option_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vkt::tools {
namespace {

enum { kPort, kField, kPlain, kQuiet, kVerbose };

const std::vector<OptionDefinition> kDefinitions = {
    {"port", 0, true, kPort},      {"field", 0, true, kField},        {"plain", 0, false, kPlain},
    {"quiet", 'q', false, kQuiet}, {"verbose", 'v', false, kVerbose},
};

bool Parse(std::vector<std::string> args, ParsedArguments* parsed, std::string* message) {
    args.insert(args.begin(), "prog");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return ParseArguments(static_cast<int>(args.size()), argv.data(), kDefinitions, parsed,
                          message);
}

// Every option as "ID=VALUE", in order, then the operands after "|".
std::string Summary(const ParsedArguments& parsed) {
    std::string text;
    for (const ParsedOption& option : parsed.options) {
        text += std::to_string(option.id) + "=" + option.value + " ";
    }
    text += "|";
    for (const std::string& operand : parsed.operands) text += " " + operand;
    return text;
}

TEST(OptionParserTest, ReadsOptionsAnywhereAmongTheOperands) {
    const struct {
        std::vector<std::string> args;
        const char* summary;
    } cases[] = {
        {{"send", "--port", "7000", "f.txt"}, "0=7000 | send f.txt"},
        {{"--port=7000", "send", "f.txt"}, "0=7000 | send f.txt"},
        {{"--port="}, "0= |"},
        {{"--field", "A=1", "x", "--field=B=2"}, "1=A=1 1=B=2 | x"},
        {{"-qv", "x", "--plain"}, "3= 4= 2= | x"},
        {{"--pl", "--verb"}, "2= 4= |"},
        {{"x", "--", "--port", "-q"}, "| x --port -q"},
        {{"--port", "--plain"}, "0=--plain |"},
        {{"-", "x"}, "| - x"},
    };
    for (const auto& c : cases) {
        ParsedArguments parsed;
        std::string message;
        ASSERT_TRUE(Parse(c.args, &parsed, &message)) << message;
        EXPECT_EQ(Summary(parsed), c.summary) << ::testing::PrintToString(c.args);
    }
}

TEST(OptionParserTest, RefusesWithOneLineNamingTheOption) {
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"x", "--colour", "red"}, "unknown option --colour"},
        {{"--colour=red"}, "unknown option --colour"},
        {{"-x"}, "unknown option -x"},
        {{"-qz"}, "unknown option -z"},
        {{"--p"}, "unknown option --p"},  // a prefix of two names
        {{"x", "--port"}, "--port needs a value"},
        {{"--plain=yes"}, "--plain takes no value"},
    };
    for (const auto& c : cases) {
        ParsedArguments parsed;
        std::string message;
        EXPECT_FALSE(Parse(c.args, &parsed, &message)) << ::testing::PrintToString(c.args);
        EXPECT_EQ(message, c.message);
    }
}

TEST(OptionParserTest, HelpAndVersionStopTheParse) {
    ParsedArguments help;
    std::string message;
    ASSERT_TRUE(Parse({"x", "-h", "--colour"}, &help, &message));
    EXPECT_TRUE(help.help);
    ParsedArguments version;
    ASSERT_TRUE(Parse({"--version", "--port"}, &version, &message));
    EXPECT_TRUE(version.version);
    EXPECT_FALSE(version.help);
}

TEST(OptionParserTest, NumbersAreWholeAndInRange) {
    const struct {
        const char* text;
        bool good;
    } cases[] = {{"0", true},   {"65535", true}, {"65536", false},
                 {"-1", false}, {"", false},     {"12a", false},
                 {" 1", false}, {"+1", false},   {"99999999999999999999", false}};
    for (const auto& c : cases) {
        long value = -7;
        EXPECT_EQ(ReadInteger(c.text, 0, 65535, &value), c.good) << c.text;
    }
    EXPECT_EQ(BadValue("--timeout", "abc", "a number of seconds"),
              "--timeout: 'abc' is not a number of seconds");
}

}  // namespace
}  // namespace vkt::tools
