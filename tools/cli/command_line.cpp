#include "cli/command_line.h"

#include "cli/progress_line.h"
#include "common/option_parser.h"

namespace vkt::cli {

const char kUsage[] =
    "usage: vkt send FILE [--plain] [--field NAME=VALUE ...] [OPTIONS]\n"
    "       vkt get NAME --to DIR [OPTIONS]\n"
    "       vkt verify FILE [--plain] [OPTIONS]\n"
    "       vkt batch FILE|- [OPTIONS]\n"
    "       vkt --help | --version\n"
    "\n"
    "  send     asks the server about FILE, then sends it signed and sealed. FILE is a\n"
    "           formatted record file (header and footer records) unless --plain is given.\n"
    "           When the server asks for additional information, give every field it names\n"
    "           with --field NAME=VALUE (vkt verify shows them); names match regardless of\n"
    "           case. Numeric fields take digits only; no value may exceed its field's width.\n"
    "  get      requests NAME from the server into DIR and checks it against the server's\n"
    "           digest; a file that fails is removed.\n"
    "  verify   asks the server about FILE and prints its answer (the field list of the\n"
    "           additional information) on standard output.\n"
    "  batch    runs the send, get and verify commands of FILE (\"-\": standard input), one\n"
    "           a line with its operand and its --plain, --field and --to, over one session\n"
    "           (the password read once). Words split at blanks; quotes (\" or ') keep blanks\n"
    "           in a name; lines that are blank or start with # are skipped. The batch stops\n"
    "           at the first failing line, unless that line starts with \"-\" (\"-get x --to\n"
    "           d\"): its failure is reported and does not count. The exit status is that of\n"
    "           the failure that stopped the batch, 0 if none did; a lost session (4, 6) or\n"
    "           an interrupt stops it also on a \"-\" line.\n"
    "\n"
    "options (they override the configuration file):\n"
    "  --server HOST      server name or address\n"
    "  --port SERVICE     TCP port or service name\n"
    "  --user USER        user name (the key file is DIR/USER.pri)\n"
    "  --keys DIR         folder of the private-key file\n"
    "  --timeout SECONDS  bound of the whole command; also the library's network time-out\n"
    "  --config FILE      configuration file (default: $VKT_HOME/VKT32.cnf, else\n"
    "                     $XDG_CONFIG_HOME/vkt/VKT32.cnf, else ~/.config/vkt/VKT32.cnf;\n"
    "                     on Windows %VKT_HOME%\\VKT32.cnf, else %APPDATA%\\VKT\\VKT32.cnf);\n"
    "                     one line SERVER,SERVICE,TIMEOUT,USER,KEYDIR\n"
    "  --password-file FILE\n"
    "                     the private-key password is the first line of FILE\n"
    "  --wait-session SECONDS  retry while another process of this user holds the session\n"
    "                     (40033), up to SECONDS\n"
    "  -q, --quiet        errors only on standard error (no stages, no progress)\n"
    "  -v, --verbose      every change of the library's status step, with its bytes\n"
    "  --json             one JSON object a line on standard output for each operation run:\n"
    "                     operation, local, remote (a path or name, or null), bytes, seconds,\n"
    "                     code (0 or the deciding library code), text (the library's), exit,\n"
    "                     and verify's answer; nothing else goes to standard output\n"
    "  --progress auto|always|never  one line rewritten in place (always; auto: when\n"
    "                     standard error is a terminal, else a line every 10 % or 5 s)\n"
    "  -h, --help         this text\n"
    "  --version          the program's version\n"
    "\n"
    "The library allows one session per user on a machine: while one vkt runs, a second of\n"
    "the same user exits 5, unless --wait-session SECONDS has it try again for that long.\n"
    "--timeout SECONDS bounds the whole command (connect, operation, disconnect): vkt ends\n"
    "the session and exits 4 when it runs out.\n"
    "\n"
    "environment:\n"
    "  VKT_PASSWORD       the private-key password when --password-file is not given\n"
    "                     (else it is asked when standard input is a terminal)\n"
    "  VKT_LIBRARY        full path of libVKT32.so to load\n"
    "\n"
    "User names, passwords and field values are sent as Latin-1: characters above U+00FF\n"
    "are refused.\n"
    "\n"
    "exit status:\n"
    "  0    sent and accepted, received and checked, or answer received\n"
    "  1    refused by the server (40050 in a get: it holds no such file) or by the file's\n"
    "       own checks (format, key, digest): a retry fails the same way\n"
    "  2    usage, configuration, password or field-value error\n"
    "  3    libVKT32.so or one of its functions could not be loaded\n"
    "  4    timed out: --timeout ran out, the library's wait (40055) or the server's (40022)\n"
    "       expired, or the operation made no progress\n"
    "  5    the user's session is held by another process (40033; 40018 from the server):\n"
    "       retry, or give --wait-session\n"
    "  6    network or server unreachable, or the session was lost (every socket error\n"
    "       11xxxx, 40064 server closed, 49997 server silent, 40040 busy, 4000x not this\n"
    "       protocol): worth a retry\n"
    "  7    a local file cannot be found, opened, read or written (40050, 40051, 40032 the\n"
    "       key file)\n"
    "  130  interrupted (SIGINT); the session was closed\n"
    "  143  terminated (SIGTERM); the session was closed\n"
    "The code that decides is the first the library recorded (its cause); every line of\n"
    "vkt's errors starts \"vkt:\" and names the operation, file and server, then the\n"
    "library's [CODE] and text.\n";

namespace {

enum Option {
    kPlain,
    kField,
    kTo,
    kServer,
    kPort,
    kUser,
    kKeys,
    kTimeout,
    kConfig,
    kPasswordFile,
    kWaitSession,
    kQuiet,
    kVerbose,
    kJson,
    kProgress,
};

const std::vector<tools::OptionDefinition> kOptions = {
    {"plain", 0, false, kPlain},
    {"field", 0, true, kField},
    {"to", 0, true, kTo},
    {"server", 0, true, kServer},
    {"port", 0, true, kPort},
    {"user", 0, true, kUser},
    {"keys", 0, true, kKeys},
    {"timeout", 0, true, kTimeout},
    {"config", 0, true, kConfig},
    {"password-file", 0, true, kPasswordFile},
    {"wait-session", 0, true, kWaitSession},
    {"quiet", 'q', false, kQuiet},
    {"verbose", 'v', false, kVerbose},
    {"json", 0, false, kJson},
    {"progress", 0, true, kProgress},
};

// A number of seconds, 0 to 2^31-1, into *target; false with the message otherwise.
bool TakeSeconds(const tools::ParsedOption& option, std::optional<std::int32_t>* target,
                 std::string* message) {
    long seconds = 0;
    if (!tools::ReadInteger(option.value, 0, 2147483647L, &seconds)) {
        *message = tools::BadValue(option.name, option.value, "a number of seconds");
        return false;
    }
    *target = static_cast<std::int32_t>(seconds);
    return true;
}

// One option into *line; false with the message on a bad value.
bool TakeOption(const tools::ParsedOption& option, CommandLine* line, std::string* message) {
    const std::string& value = option.value;
    switch (option.id) {
        case kPlain:
            line->plain = true;
            return true;
        case kField: {
            const std::size_t split = value.find('=');
            if (split == std::string::npos) {
                *message = "--field takes NAME=VALUE";
                return false;
            }
            line->fields.emplace_back(value.substr(0, split), value.substr(split + 1));
            return true;
        }
        case kTo:
            line->to = value;
            return true;
        case kServer:
            line->server = value;
            return true;
        case kPort:
            line->port = value;
            return true;
        case kUser:
            line->user = value;
            return true;
        case kKeys:
            line->keys = value;
            return true;
        case kTimeout:
            return TakeSeconds(option, &line->timeout, message);
        case kConfig:
            line->config = value;
            return true;
        case kPasswordFile:
            line->passwordFile = value;
            return true;
        case kWaitSession:
            return TakeSeconds(option, &line->waitSession, message);
        case kQuiet:
            line->quiet = true;
            return true;
        case kVerbose:
            line->verbose = true;
            return true;
        case kJson:
            line->json = true;
            return true;
        case kProgress:
            if (!ProgressModeNamed(value)) {
                *message = tools::BadValue(option.name, value, "auto, always or never");
                return false;
            }
            line->progress = value;
            return true;
    }
    return true;
}

}  // namespace

bool ParseCommandLine(int argc, char** argv, CommandLine* line, std::string* message) {
    tools::ParsedArguments parsed;
    if (!tools::ParseArguments(argc, argv, kOptions, &parsed, message)) return false;
    line->help = parsed.help;
    line->version = parsed.version;
    if (line->help || line->version) return true;
    for (const tools::ParsedOption& option : parsed.options) {
        if (!TakeOption(option, line, message)) return false;
    }
    if (line->quiet && line->verbose) {
        *message = "--quiet and --verbose exclude each other";
        return false;
    }
    const std::vector<std::string>& positional = parsed.operands;
    if (positional.empty()) {
        *message = "no command given";
        return false;
    }
    line->command = positional[0];
    if (line->command != "send" && line->command != "get" && line->command != "verify" &&
        line->command != "batch") {
        *message = "unknown command " + line->command;
        return false;
    }
    if (positional.size() != 2) {
        *message = line->command + (line->command == "get" ? " takes one NAME" : " takes one FILE");
        return false;
    }
    if (line->command == "batch" && (line->plain || !line->fields.empty() || !line->to.empty())) {
        *message = "--plain, --field and --to belong to the lines of a batch";
        return false;
    }
    line->target = positional[1];
    if (line->target.empty()) {
        *message = line->command + ": the file name is empty";
        return false;
    }
    if (line->command == "get") {
        if (line->to.empty()) {
            *message = "get needs --to DIR";
            return false;
        }
        if (line->plain) {
            *message = "--plain belongs to send and verify";
            return false;
        }
    } else if (!line->to.empty()) {
        *message = "--to belongs to get";
        return false;
    }
    if (line->command != "send" && !line->fields.empty()) {
        *message = "--field belongs to send";
        return false;
    }
    return true;
}

}  // namespace vkt::cli
