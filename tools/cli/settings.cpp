#include "cli/settings.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include "rules/config_file.h"
#include "rules/latin1.h"
#include "rules/program_folders.h"

namespace vkt::cli {
namespace {

using rules::DefaultKeyDirectory;

// The fields of the file at path (none when there is no file); false, with message, when it
// cannot be read or its time-out is no number: then nothing of the file counts.
bool ReadConfig(const std::string& path, rules::ConfigRecord* record, std::string* message) {
    std::string bytes;
    const int error = rules::ReadConfigFile(path, &bytes);
    if (error == ENOENT) return true;
    if (error != 0) {
        *message = "configuration file " + path + ": " + std::strerror(error);
        return false;
    }
    const rules::ConfigRead read = rules::ParseConfigText(bytes, DefaultKeyDirectory());
    if (!read.ok()) {
        *message = "configuration file " + path + ": the time-out field \"" + read.timeoutText +
                   "\" is not a number";
        return false;
    }
    *record = read.record;
    return true;
}

// The option when given, else the file's value; empty when neither has one.
std::string Pick(const std::optional<std::string>& option, const std::optional<std::string>& file) {
    if (option) return *option;
    return file.value_or("");
}

bool ToLatin1Name(const char* what, const std::string& text, std::string* latin1,
                  std::string* message) {
    if (rules::Utf8ToLatin1(text, latin1)) return true;
    *message = std::string("the ") + what + " holds a character above U+00FF (Latin-1 only)";
    return false;
}

}  // namespace

std::string ServerAndPort(const ConnectSettings& settings) {
    const std::string host = rules::Latin1ToUtf8(settings.server);
    const bool ipv6 = host.find(':') != std::string::npos;
    return (ipv6 ? "[" + host + "]" : host) + ":" + rules::Latin1ToUtf8(settings.service);
}

bool ResolveSettings(const CommandLine& line, ConnectSettings* settings, std::string* message) {
    const std::string path = line.config.value_or(rules::ConfigFilePath());
    rules::ConfigRecord file;
    if (!ReadConfig(path, &file, message)) return false;
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
