// The command-line parser of the tools (vkt, vkt-server, vkt-keygen), over the C library's
// getopt_long: long options as "--name VALUE" or "--name=VALUE" (a unique prefix of a name
// also names it), short options without values ("-h", "-qv"), options anywhere among the
// operands, "--" ends the options, and an option may be given more than once (each one is
// kept, in order). -h/--help and --version are recognised for every program.
#pragma once

#include <string>
#include <vector>

namespace vkt::tools {

struct OptionDefinition {
    const char* name;  // long name, without "--"
    char shortName;    // 0: none
    bool takesValue;
    int id;  // the program's own code, >= 0
};

struct ParsedOption {
    int id;
    std::string name;  // the long form, "--port", for messages
    std::string value;
};

struct ParsedArguments {
    bool help = false;     // -h or --help: the rest of the line was not read
    bool version = false;  // --version: likewise
    std::vector<ParsedOption> options;
    std::vector<std::string> operands;
};

// false, with a one-line message ("unknown option --x", "--port needs a value"), on an option
// the table does not hold, a missing value or a value given to an option that takes none.
bool ParseArguments(int argc, char** argv, const std::vector<OptionDefinition>& definitions,
                    ParsedArguments* parsed, std::string* message);

// A whole decimal number from low to high into *value; false for anything else.
bool ReadInteger(const std::string& text, long low, long high, long* value);

// "--timeout: 'abc' is not a number of seconds": the message for a bad option value, with
// what the value must be.
std::string BadValue(const std::string& option, const std::string& value, const std::string& what);

// Prints "PROGRAM: MESSAGE" and the pointer to --help on standard error; returns the exit
// status of a usage error (2).
int UsageError(const char* program, const std::string& message);

// Prints "PROGRAM VERSION" on standard output.
void PrintVersion(const char* program);

constexpr int kExitUsageError = 2;

}  // namespace vkt::tools
