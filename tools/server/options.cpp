#include "server/options.h"

#include <climits>
#include <vector>

namespace vkt::server {

const char kUsage[] =
    "usage: vkt-server [--listen ADDRESS] --port N --users DIR --inbox DIR --outbox DIR\n"
    "                  [--cipher 101|102|103] [--line RATE,SIZE] [--answers FILE]\n"
    "                  [--idle SECONDS] [--max-sessions N] [--handshake-timeout SECONDS]\n"
    "                  [--max-per-address N] [--max-pending N] [--max-file-size BYTES]\n"
    "                  [--min-free-space BYTES] [--log-format text|json]\n"
    "       vkt-server --help | --version\n"
    "\n"
    "  --listen ADDRESS   numeric IPv4 or IPv6 address to listen on; :: is every address\n"
    "                     of both families (default: 127.0.0.1 and ::1, on one port)\n"
    "  --port N           TCP port; 0 takes a free one\n"
    "  --users DIR        public keys, one USER.pub (PEM) per user\n"
    "  --inbox DIR        received files land as DIR/USER/NAME\n"
    "  --outbox DIR       requested files are served from DIR/USER/NAME\n"
    "  --cipher ID        session-key cipher: 101 DES, 102 (default) or 103 triple DES\n"
    "  --line RATE,SIZE   line parameters sent to clients (default 0,8192); SIZE (1..8192)\n"
    "                     is also the data size of the file blocks this server sends\n"
    "  --answers FILE     verify answers, one NAME<TAB>ANSWER per line; ANSWER is a field\n"
    "                     list (Importe,8,N;Concepto,12) or an error report CODE-text;\n"
    "                     names not listed need no additional information (40068)\n"
    "  --idle SECONDS     end sessions silent this long (default 300): each frame must\n"
    "                     arrive, and each frame sent must be taken, within that time\n"
    "  --max-sessions N   sessions served at once (default 16); more are refused\n"
    "  --handshake-timeout SECONDS\n"
    "                     close connections that have not opened a session this long\n"
    "                     after connecting (default 15); they hold no session place\n"
    "  --max-per-address N\n"
    "                     connections without a session from one address (default 8)\n"
    "  --max-pending N    connections without a session in all (default 64); more are\n"
    "                     refused with 40026\n"
    "  --max-file-size BYTES\n"
    "                     largest file a client may send (default 67108864, 64 MiB;\n"
    "                     at most 2147483647)\n"
    "  --min-free-space BYTES\n"
    "                     a send is refused when the inbox would keep less free space\n"
    "                     than this once the file is written (default 67108864, 64 MiB)\n"
    "  --log-format F     text (default): one \"TIME PEER USER EVENT\" line per event;\n"
    "                     json: one JSON object per line\n"
    "  -h, --help         this text\n"
    "  --version          the program's version\n"
    "\n"
    "Prints \"listening on ADDRESS:PORT\" once it accepts connections; logs to stderr.\n"
    "SIGTERM or SIGINT: stops accepting, ends the sessions and exits 0. SIGHUP: reads the\n"
    "users' keys and the answers file again; sessions running go on.\n";

namespace {

using tools::BadValue;
using tools::ReadInteger;

enum Option {
    kListen,
    kPort,
    kUsers,
    kInbox,
    kOutbox,
    kCipher,
    kLine,
    kAnswers,
    kIdle,
    kMaxSessions,
    kHandshakeTimeout,
    kMaxPerAddress,
    kMaxPending,
    kMaxFileSize,
    kMinFreeSpace,
    kLogFormat,
};

const std::vector<tools::OptionDefinition> kOptions = {
    {"listen", 0, true, kListen},
    {"port", 0, true, kPort},
    {"users", 0, true, kUsers},
    {"inbox", 0, true, kInbox},
    {"outbox", 0, true, kOutbox},
    {"cipher", 0, true, kCipher},
    {"line", 0, true, kLine},
    {"answers", 0, true, kAnswers},
    {"idle", 0, true, kIdle},
    {"max-sessions", 0, true, kMaxSessions},
    {"handshake-timeout", 0, true, kHandshakeTimeout},
    {"max-per-address", 0, true, kMaxPerAddress},
    {"max-pending", 0, true, kMaxPending},
    {"max-file-size", 0, true, kMaxFileSize},
    {"min-free-space", 0, true, kMinFreeSpace},
    {"log-format", 0, true, kLogFormat},
};

bool ParseLine(const std::string& text, Options* options) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) return false;
    long rate = 0;
    long size = 0;
    if (!ReadInteger(text.substr(0, comma), 0, 100000000, &rate) ||
        !ReadInteger(text.substr(comma + 1), 1, 8192, &size))
        return false;
    options->lineRate = rate;
    options->blockSize = size;
    options->lineText = text;
    return true;
}

// A whole number from low to high into *target; false with the message otherwise.
template <typename Target>
bool TakeNumber(const tools::ParsedOption& option, long low, long high, const char* what,
                Target* target, std::string* message) {
    long number = 0;
    if (!ReadInteger(option.value, low, high, &number)) {
        *message = BadValue(
            option.name, option.value,
            std::string(what) + " from " + std::to_string(low) + " to " + std::to_string(high));
        return false;
    }
    *target = static_cast<Target>(number);
    return true;
}

// One option into *options; false with the message on a bad value.
bool TakeOption(const tools::ParsedOption& option, Options* options, std::string* message) {
    const std::string& value = option.value;
    switch (option.id) {
        case kListen:
            options->address = value;
            if (!value.empty()) return true;
            *message = BadValue(option.name, value, "an address");
            return false;
        case kPort:
            return TakeNumber(option, 0, 65535, "a port number", &options->port, message);
        case kUsers:
            options->users = value;
            return true;
        case kInbox:
            options->inbox = value;
            return true;
        case kOutbox:
            options->outbox = value;
            return true;
        case kCipher:
            return TakeNumber(option, 101, 103, "a cipher number", &options->cipher, message);
        case kLine:
            if (ParseLine(value, options)) return true;
            *message = BadValue(option.name, value, "RATE,SIZE (0..100000000,1..8192)");
            return false;
        case kAnswers:
            options->answers = value;
            return true;
        case kIdle:
            return TakeNumber(option, 1, 86400, "a number of seconds", &options->idleSeconds,
                              message);
        case kMaxSessions:
            return TakeNumber(option, 1, 1024, "a number of sessions", &options->maxSessions,
                              message);
        case kHandshakeTimeout:
            return TakeNumber(option, 1, 3600, "a number of seconds", &options->handshakeSeconds,
                              message);
        case kMaxPerAddress:
            return TakeNumber(option, 1, 4096, "a number of connections", &options->maxPerAddress,
                              message);
        case kMaxPending:
            return TakeNumber(option, 1, 4096, "a number of connections", &options->maxPending,
                              message);
        case kMaxFileSize:
            return TakeNumber(option, 0, 0x7FFFFFFF, "a number of bytes", &options->maxFileSize,
                              message);
        case kMinFreeSpace:
            return TakeNumber(option, 0, LONG_MAX, "a number of bytes", &options->minFreeSpace,
                              message);
        case kLogFormat:
            options->logFormat = value == "json" ? LogFormat::kJson : LogFormat::kText;
            if (value == "text" || value == "json") return true;
            *message = BadValue(option.name, value, "text or json");
            return false;
    }
    return true;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options* options, tools::ParsedArguments* parsed,
                  std::string* message) {
    if (!tools::ParseArguments(argc, argv, kOptions, parsed, message)) return false;
    if (parsed->help || parsed->version) return true;
    if (!parsed->operands.empty()) {
        *message = "unexpected argument " + parsed->operands[0];
        return false;
    }
    for (const tools::ParsedOption& option : parsed->options) {
        if (!TakeOption(option, options, message)) return false;
    }
    if (options->port < 0 || options->users.empty() || options->inbox.empty() ||
        options->outbox.empty()) {
        *message = "--port, --users, --inbox and --outbox are required";
        return false;
    }
    return true;
}

}  // namespace vkt::server
