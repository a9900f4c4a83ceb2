// vkt-server: the reference server. See options.cpp for the command line and session.h for the
// exchanges it speaks.
//
// Exit status: 0 after a stop by SIGTERM or SIGINT, 1 when it cannot start or accepting fails
// for good, 2 on a bad command line.
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "server/answers.h"
#include "server/event_log.h"
#include "server/listener.h"
#include "server/options.h"
#include "server/partial_files.h"
#include "server/session_cipher.h"
#include "server/session_registry.h"
#include "server/signal_watch.h"
#include "server/user_keys.h"

namespace {

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "vkt-server: %s\n", message.c_str());
    return 1;
}

// Reads the users' keys (and the answers file, when there is one); on a failure the tables
// read before stay in use and the reason is in *message.
bool LoadTables(const vkt::server::Options& options, vkt::server::UserKeys* keys,
                vkt::server::AnswersTable* answers, std::string* message) {
    std::string skipped;
    if (!keys->Reload(options.users, message, &skipped)) return false;
    if (!skipped.empty()) vkt::server::LogEvent("", "", "keys skipped, not usable: " + skipped);
    return options.answers.empty() || answers->Load(options.answers, message);
}

// SIGHUP: the users' keys and the answers file read again for the connects from now on.
void ReloadTables(const vkt::server::Options& options, vkt::server::UserKeys* keys,
                  vkt::server::AnswersTable* answers) {
    std::string reason;
    if (LoadTables(options, keys, answers, &reason))
        vkt::server::LogEvent(
            "", "",
            "SIGHUP: keys of " + std::to_string(keys->size()) + " users and answers read again");
    else
        vkt::server::LogEvent("", "", "SIGHUP: " + reason + "; kept what was read before");
}

// Up to this long for the sessions to leave at a stop, so that the process exits within 2 s.
constexpr std::chrono::milliseconds kStopWait{1500};

}  // namespace

int main(int argc, char** argv) {
    using namespace vkt::server;
    Options options;
    vkt::tools::ParsedArguments parsed;
    std::string message;
    if (!ParseOptions(argc, argv, &options, &parsed, &message)) {
        return vkt::tools::UsageError("vkt-server", message);
    }
    if (parsed.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (parsed.version) {
        vkt::tools::PrintVersion("vkt-server");
        return 0;
    }
    for (const std::string* folder : {&options.users, &options.inbox, &options.outbox}) {
        if (!IsFolder(*folder)) return Fail("not a folder: " + *folder);
    }
    if (!BlockServerSignals()) return Fail("cannot block signals");
    SetLogFormat(options.logFormat);
    CipherProviders providers;
    if (!providers.Prepare(options.cipher, &message)) return Fail(message);
    UserKeys keys;
    AnswersTable answers;
    if (!LoadTables(options, &keys, &answers, &message)) return Fail(message);
    RemovePartialFiles(options.inbox);

    std::signal(SIGPIPE, SIG_IGN);
    Listener listener;
    if (!listener.Open(options.address, options.port, &message)) return Fail(message);
    SessionRegistry sessions;
    const bool watching =
        WatchServerSignals([&listener] { listener.Stop(); },
                           [&options, &keys, &answers] { ReloadTables(options, &keys, &answers); });
    if (!watching) return Fail("cannot start the signal thread");
    // Every address in the log; the first one on stdout, as scripts read it.
    const std::vector<std::string> bound = listener.BoundAddresses();
    for (const std::string& address : bound) LogEvent("", "", "listening on " + address);
    std::printf("listening on %s\n", bound.front().c_str());
    std::fflush(stdout);
    listener.Serve(options, answers, keys, sessions);
    if (!listener.stopped()) {
        // Accepting failed for good. Sessions still running use options and the tables: end
        // the process here rather than destroy them under those threads.
        std::fflush(stderr);
        std::_Exit(1);
    }
    LogEvent("", "", "stopping: ending the sessions");
    sessions.EndAll();
    const bool ended = sessions.WaitUntilEmpty(kStopWait);
    // What a session could not drop in time goes now; the process ends right after.
    RemovePartialFiles(options.inbox);
    LogEvent("", "", ended ? "stopped" : "stopped, sessions still ending were cut short");
    std::fflush(stderr);
    std::_Exit(0);
}
