#include "cli/command_line.h"

#include <cerrno>
#include <cstdlib>

namespace vkt::cli {

const char kUsage[] =
    "usage: vkt send FILE [--plain] [--field NAME=VALUE ...] [OPTIONS]\n"
    "       vkt get NAME --to DIR [OPTIONS]\n"
    "       vkt verify FILE [--plain] [OPTIONS]\n"
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
    "\n"
    "options (they override the configuration file):\n"
    "  --server HOST      server name or address\n"
    "  --port SERVICE     TCP port or service name\n"
    "  --user USER        user name (the key file is DIR/USER.pri)\n"
    "  --keys DIR         folder of the private-key file\n"
    "  --timeout SECONDS  longest wait for the network (default 180)\n"
    "  --config FILE      configuration file (default: $VKT_HOME/VKT32.cnf, else\n"
    "                     $XDG_CONFIG_HOME/vkt/VKT32.cnf, else ~/.config/vkt/VKT32.cnf);\n"
    "                     one line SERVER,SERVICE,TIMEOUT,USER,KEYDIR\n"
    "  -h, --help         this text\n"
    "\n"
    "environment:\n"
    "  VKT_PASSWORD       the private-key password (else it is asked on the terminal)\n"
    "  VKT_LIBRARY        full path of libVKT32.so to load\n"
    "\n"
    "User names, passwords and field values are sent as Latin-1: characters above U+00FF\n"
    "are refused.\n"
    "\n"
    "exit status:\n"
    "  0    sent and accepted, received and checked, or answer received\n"
    "  1    the operation failed (the library's codes and texts are printed)\n"
    "  2    usage, configuration, password or field-value error; nothing was sent\n"
    "  3    libVKT32.so or one of its functions could not be loaded\n"
    "  4    the operation did not end in time\n"
    "  130  interrupted (Ctrl-C); the session was closed\n";

namespace {

bool ReadTimeout(const std::string& text, std::int32_t* value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || number < 0 || number > 2147483647L) return false;
    *value = static_cast<std::int32_t>(number);
    return true;
}

}  // namespace

bool ParseCommandLine(int argc, char** argv, CommandLine* line, std::string* message) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "-h" || name == "--help") {
            line->help = true;
            return true;
        }
        if (name == "--plain") {
            line->plain = true;
            continue;
        }
        if (name.rfind("--", 0) != 0 || name.size() == 2) {
            positional.push_back(name);
            continue;
        }
        std::string value;
        const std::size_t equals = name.find('=');
        if (equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            *message = name + " needs a value";
            return false;
        }
        if (name == "--field") {
            const std::size_t split = value.find('=');
            if (split == std::string::npos) {
                *message = "--field takes NAME=VALUE";
                return false;
            }
            line->fields.emplace_back(value.substr(0, split), value.substr(split + 1));
        } else if (name == "--to") {
            line->to = value;
        } else if (name == "--server") {
            line->server = value;
        } else if (name == "--port") {
            line->port = value;
        } else if (name == "--user") {
            line->user = value;
        } else if (name == "--keys") {
            line->keys = value;
        } else if (name == "--config") {
            line->config = value;
        } else if (name == "--timeout") {
            std::int32_t timeout = 0;
            if (!ReadTimeout(value, &timeout)) {
                *message = "--timeout takes a number of seconds";
                return false;
            }
            line->timeout = timeout;
        } else {
            *message = "unknown option " + name;
            return false;
        }
    }
    if (positional.empty()) {
        *message = "no command given";
        return false;
    }
    line->command = positional[0];
    if (line->command != "send" && line->command != "get" && line->command != "verify") {
        *message = "unknown command " + line->command;
        return false;
    }
    if (positional.size() != 2) {
        *message = line->command + (line->command == "get" ? " takes one NAME" : " takes one FILE");
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
