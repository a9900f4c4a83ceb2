#include "common/option_parser.h"

#include <getopt.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "vkt_version.h"

namespace vkt::tools {
namespace {

// getopt_long's codes: 1 for an operand (the optstring starts with '-'), the short letters
// themselves, and these for the long-only options.
constexpr int kOperand = 1;
constexpr int kLongBase = 256;
constexpr int kHelp = kLongBase - 2;
constexpr int kVersion = kLongBase - 1;

struct Table {
    std::vector<option> longOptions;
    std::string shortOptions = "-:";  // operands in order; ':' on a missing value
};

Table BuildTable(const std::vector<OptionDefinition>& definitions) {
    Table table;
    for (std::size_t i = 0; i < definitions.size(); ++i) {
        const OptionDefinition& definition = definitions[i];
        const int code =
            definition.shortName != 0 ? definition.shortName : kLongBase + static_cast<int>(i);
        table.longOptions.push_back({definition.name,
                                     definition.takesValue ? required_argument : no_argument,
                                     nullptr, code});
        if (definition.shortName != 0) {
            table.shortOptions += definition.shortName;
            if (definition.takesValue) table.shortOptions += ':';
        }
    }
    table.longOptions.push_back({"help", no_argument, nullptr, kHelp});
    table.longOptions.push_back({"version", no_argument, nullptr, kVersion});
    table.longOptions.push_back({nullptr, 0, nullptr, 0});
    table.shortOptions += 'h';
    return table;
}

const OptionDefinition* DefinitionOf(const std::vector<OptionDefinition>& definitions, int code) {
    if (code >= kLongBase) return &definitions[static_cast<std::size_t>(code - kLongBase)];
    for (const OptionDefinition& definition : definitions) {
        if (definition.shortName != 0 && definition.shortName == code) return &definition;
    }
    return nullptr;
}

// The option as written, without "=VALUE".
std::string Written(const char* argument) {
    std::string text = argument;
    const std::size_t equals = text.find('=');
    if (text.rfind("--", 0) == 0 && equals != std::string::npos) text.resize(equals);
    return text;
}

// The message for getopt_long's '?' or ':' on argument, the one just read.
std::string Refusal(const std::vector<OptionDefinition>& definitions, int result,
                    const char* argument) {
    const OptionDefinition* definition = optopt != 0 ? DefinitionOf(definitions, optopt) : nullptr;
    if (definition == nullptr) {
        if (optopt != 0) return std::string("unknown option -") + static_cast<char>(optopt);
        return "unknown option " + Written(argument);
    }
    const std::string name = std::string("--") + definition->name;
    return result == ':' ? name + " needs a value" : name + " takes no value";
}

}  // namespace

bool ParseArguments(int argc, char** argv, const std::vector<OptionDefinition>& definitions,
                    ParsedArguments* parsed, std::string* message) {
    const Table table = BuildTable(definitions);
    opterr = 0;
    optind = 0;  // a fresh scan, also when called again
    for (;;) {
        const int result =
            getopt_long(argc, argv, table.shortOptions.c_str(), table.longOptions.data(), nullptr);
        if (result == -1) break;
        if (result == kOperand) {
            parsed->operands.emplace_back(optarg);
        } else if (result == '?' || result == ':') {
            const int at = optind - 1 < 1 ? 1 : (optind - 1 >= argc ? argc - 1 : optind - 1);
            *message = Refusal(definitions, result, argv[at]);
            return false;
        } else if (result == 'h' || result == kHelp) {
            parsed->help = true;
            return true;
        } else if (result == kVersion) {
            parsed->version = true;
            return true;
        } else {
            const OptionDefinition* definition = DefinitionOf(definitions, result);
            parsed->options.push_back({definition->id, std::string("--") + definition->name,
                                       optarg != nullptr ? optarg : ""});
        }
    }
    for (int i = optind; i < argc; ++i) parsed->operands.emplace_back(argv[i]);
    return true;
}

bool ReadInteger(const std::string& text, long low, long high, long* value) {
    if (text.empty() || text[0] == ' ' || text[0] == '+') return false;
    errno = 0;
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || number < low || number > high) return false;
    *value = number;
    return true;
}

std::string BadValue(const std::string& option, const std::string& value, const std::string& what) {
    return option + ": '" + value + "' is not " + what;
}

int UsageError(const char* program, const std::string& message) {
    std::fprintf(stderr, "%s: %s\n(%s --help shows the usage)\n", program, message.c_str(),
                 program);
    return kExitUsageError;
}

void PrintVersion(const char* program) {
    std::printf("%s %s\n", program, VKT_VERSION);
}

}  // namespace vkt::tools
