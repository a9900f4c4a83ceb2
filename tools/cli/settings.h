// The connection data of a run: the command-line options over the configuration file.
#pragma once

#include <cstdint>
#include <string>

#include "cli/command_line.h"

namespace vkt::cli {

constexpr std::int32_t kDefaultTimeout = 180;

struct ConnectSettings {
    std::string server;   // Latin-1
    std::string service;  // Latin-1
    std::string user;     // Latin-1
    std::string keys;     // file-system encoding (UTF-8)
    std::int32_t timeout = kDefaultTimeout;
};

// "HOST:PORT" for the user (UTF-8), an IPv6 address in brackets: "[::1]:7001".
std::string ServerAndPort(const ConnectSettings& settings);

// false, with message, when the configuration file cannot be read, a value is missing, or a
// name holds a character above U+00FF. A time-out below 1 second becomes kDefaultTimeout.
bool ResolveSettings(const CommandLine& line, ConnectSettings* settings, std::string* message);

}  // namespace vkt::cli
