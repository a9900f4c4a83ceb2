// The command line of vkt.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vkt::cli {

extern const char kUsage[];

struct CommandLine {
    std::string command;  // "send", "get" or "verify"
    std::string target;   // FILE or NAME
    bool plain = false;
    std::vector<std::pair<std::string, std::string>> fields;  // --field NAME=VALUE, as typed
    std::string to;                                           // --to DIR
    std::optional<std::string> server;
    std::optional<std::string> port;
    std::optional<std::string> user;
    std::optional<std::string> keys;
    std::optional<std::int32_t> timeout;
    std::optional<std::string> config;
    bool quiet = false;                       // -q, --quiet
    bool verbose = false;                     // -v, --verbose
    std::optional<std::string> passwordFile;  // --password-file FILE
    std::optional<std::int32_t> waitSession;  // --wait-session SECONDS (>= 0)
    bool json = false;                        // --json: one JSON object per operation on stdout
    std::string progress = "auto";            // --progress auto|always|never
    bool version = false;                     // --version
    bool help = false;
};

// false, with message, on a command line that cannot be used.
bool ParseCommandLine(int argc, char** argv, CommandLine* line, std::string* message);

}  // namespace vkt::cli
