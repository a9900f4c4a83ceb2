#include "cli/settings.h"

#include <optional>

#include "cli/config_file.h"
#include "cli/latin1.h"

namespace vkt::cli {
namespace {

// The option when given, else the file's value; empty when neither has one.
std::string Pick(const std::optional<std::string>& option, const std::optional<std::string>& file) {
    if (option) return *option;
    return file.value_or("");
}

bool ToLatin1Name(const char* what, const std::string& text, std::string* latin1,
                  std::string* message) {
    if (Utf8ToLatin1(text, latin1)) return true;
    *message = std::string("the ") + what + " holds a character above U+00FF (Latin-1 only)";
    return false;
}

}  // namespace

bool ResolveSettings(const CommandLine& line, ConnectSettings* settings, std::string* message) {
    const std::string path = line.config.value_or(DefaultConfigPath());
    ConfigFile file;
    std::string reason;
    if (!ReadConfigFile(path, DefaultKeyDirectory(), &file, &reason)) {
        *message = "configuration file " + reason;
        return false;
    }
    const std::string server = Pick(line.server, file.server);
    const std::string service = Pick(line.port, file.service);
    const std::string user = Pick(line.user, file.user);
    std::string missing;
    if (server.empty()) missing += " --server";
    if (service.empty()) missing += " --port";
    if (user.empty()) missing += " --user";
    if (!missing.empty()) {
        *message = "missing" + missing + " (give the option or set it in " + path + ")";
        return false;
    }
    if (!ToLatin1Name("server name", server, &settings->server, message) ||
        !ToLatin1Name("service", service, &settings->service, message) ||
        !ToLatin1Name("user name", user, &settings->user, message)) {
        return false;
    }
    settings->keys = line.keys ? *line.keys : file.keyDirectory.value_or(DefaultKeyDirectory());
    if (settings->keys.empty()) settings->keys = DefaultKeyDirectory();
    const std::int32_t timeout = line.timeout ? *line.timeout : file.timeout.value_or(0);
    settings->timeout = timeout < 1 ? kDefaultTimeout : timeout;
    return true;
}

}  // namespace vkt::cli
