// vkt-server: the reference server. See options.cpp for the command line and session.h for the
// exchanges it speaks.
//
// Exit status: 1 when it cannot start or stops accepting, 2 on a bad command line.
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "server/answers.h"
#include "server/listener.h"
#include "server/options.h"
#include "server/session_cipher.h"

namespace {

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "vkt-server: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vkt::server;
    Options options;
    bool help = false;
    std::string message;
    if (!ParseOptions(argc, argv, &options, &help, &message)) {
        std::fprintf(stderr, "vkt-server: %s\n%s", message.c_str(), kUsage);
        return 2;
    }
    if (help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    for (const std::string* folder : {&options.users, &options.inbox, &options.outbox}) {
        if (!IsFolder(*folder)) return Fail("not a folder: " + *folder);
    }
    CipherProviders providers;
    if (!providers.Prepare(options.cipher, &message)) return Fail(message);
    AnswersTable answers;
    if (!options.answers.empty() && !answers.Load(options.answers, &message)) return Fail(message);

    std::signal(SIGPIPE, SIG_IGN);
    Listener listener;
    if (!listener.Open(options.address, options.port, &message)) return Fail(message);
    std::printf("listening on %s\n", listener.BoundAddress().c_str());
    std::fflush(stdout);
    listener.Serve(options, answers);
    // Accepting failed for good. Sessions still running use options and answers: end the
    // process here rather than destroy them under those threads.
    std::fflush(stderr);
    std::_Exit(1);
}
