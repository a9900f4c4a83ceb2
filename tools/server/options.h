// The command line of vkt-server.
#pragma once

#include <cstdint>
#include <string>

#include "common/option_parser.h"
#include "server/event_log.h"

namespace vkt::server {

struct Options {
    std::string address;  // empty: the loopback of both families
    int port = -1;        // required; 0 takes a free port
    std::string users;
    std::string inbox;
    std::string outbox;
    int cipher = 102;
    long lineRate = 0;
    long blockSize = 8192;            // data bytes per file block sent (1..8192)
    std::string lineText = "0,8192";  // the line parameters frame, as given
    std::string answers;
    int idleSeconds = 300;
    int maxSessions = 16;
    int handshakeSeconds = 15;               // from accept to the open session
    int maxPerAddress = 8;                   // connections without a session, per client address
    int maxPending = 64;                     // connections without a session, in all
    std::uint64_t maxFileSize = 64u << 20;   // largest file a client may send
    std::uint64_t minFreeSpace = 64u << 20;  // free bytes the inbox keeps after a received file
    LogFormat logFormat = LogFormat::kText;
};

extern const char kUsage[];

// false with a message on a bad command line. parsed->help or parsed->version set: nothing
// else was read.
bool ParseOptions(int argc, char** argv, Options* options, tools::ParsedArguments* parsed,
                  std::string* message);

}  // namespace vkt::server
