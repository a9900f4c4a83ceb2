#include "server/options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace vkt::server {

const char kUsage[] =
    "usage: vkt-server [--listen ADDRESS] --port N --users DIR --inbox DIR --outbox DIR\n"
    "                  [--cipher 101|102|103] [--line RATE,SIZE] [--answers FILE]\n"
    "                  [--idle SECONDS] [--max-sessions N] [--handshake-timeout SECONDS]\n"
    "                  [--max-per-address N] [--max-pending N] [--max-file-size BYTES]\n"
    "                  [--min-free-space BYTES] [--log-format text|json]\n"
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
    "\n"
    "Prints \"listening on ADDRESS:PORT\" once it accepts connections; logs to stderr.\n"
    "SIGTERM or SIGINT: stops accepting, ends the sessions and exits 0. SIGHUP: reads the\n"
    "users' keys and the answers file again; sessions running go on.\n";

namespace {

bool ReadNumber(const std::string& text, long low, long high, long* value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || number < low || number > high) return false;
    *value = number;
    return true;
}

bool ParseLine(const std::string& text, Options* options) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) return false;
    long rate = 0;
    long size = 0;
    if (!ReadNumber(text.substr(0, comma), 0, 100000000, &rate) ||
        !ReadNumber(text.substr(comma + 1), 1, 8192, &size))
        return false;
    options->lineRate = rate;
    options->blockSize = size;
    options->lineText = text;
    return true;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options* options, bool* help, std::string* message) {
    *help = false;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        if (name == "-h" || name == "--help") {
            *help = true;
            return true;
        }
        const std::size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            *message = name + " needs a value";
            return false;
        }
        long number = 0;
        bool good = true;
        if (name == "--listen") {
            options->address = value;
            good = !value.empty();
        } else if (name == "--port") {
            good = ReadNumber(value, 0, 65535, &number);
            options->port = static_cast<int>(number);
        } else if (name == "--users") {
            options->users = value;
        } else if (name == "--inbox") {
            options->inbox = value;
        } else if (name == "--outbox") {
            options->outbox = value;
        } else if (name == "--cipher") {
            good = ReadNumber(value, 101, 103, &number);
            options->cipher = static_cast<int>(number);
        } else if (name == "--line") {
            good = ParseLine(value, options);
        } else if (name == "--answers") {
            options->answers = value;
        } else if (name == "--idle") {
            good = ReadNumber(value, 1, 86400, &number);
            options->idleSeconds = static_cast<int>(number);
        } else if (name == "--max-sessions") {
            good = ReadNumber(value, 1, 1024, &number);
            options->maxSessions = static_cast<int>(number);
        } else if (name == "--handshake-timeout") {
            good = ReadNumber(value, 1, 3600, &number);
            options->handshakeSeconds = static_cast<int>(number);
        } else if (name == "--max-per-address") {
            good = ReadNumber(value, 1, 4096, &number);
            options->maxPerAddress = static_cast<int>(number);
        } else if (name == "--max-pending") {
            good = ReadNumber(value, 1, 4096, &number);
            options->maxPending = static_cast<int>(number);
        } else if (name == "--max-file-size") {
            good = ReadNumber(value, 0, 0x7FFFFFFF, &number);
            options->maxFileSize = static_cast<std::uint64_t>(number);
        } else if (name == "--min-free-space") {
            good = ReadNumber(value, 0, LONG_MAX, &number);
            options->minFreeSpace = static_cast<std::uint64_t>(number);
        } else if (name == "--log-format") {
            good = value == "text" || value == "json";
            options->logFormat = value == "json" ? LogFormat::kJson : LogFormat::kText;
        } else {
            *message = "unknown option " + name;
            return false;
        }
        if (!good) {
            *message = "bad value for " + name + ": " + value;
            return false;
        }
    }
    if (options->port < 0 || options->users.empty() || options->inbox.empty() ||
        options->outbox.empty()) {
        *message = "--port, --users, --inbox and --outbox are required";
        return false;
    }
    return true;
}

}  // namespace vkt::server
