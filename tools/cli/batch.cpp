#include "cli/batch.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

#include "cli/batch_line.h"
#include "cli/exit_status.h"
#include "cli/field_values.h"
#include "cli/interrupt.h"
#include "cli/operations.h"

namespace vkt::cli {
namespace {

// Failures after which no later line can run: the session or the whole run is over.
bool EndsTheRun(int status) {
    return status == kExitNoLibrary || status == kExitTimedOut || status == kExitUnreachable ||
           status == kExitInterrupted || status == kExitTerminated;
}

// One line of the batch (number counted from 1): its exit status; *allowed when its failure
// does not stop the batch.
int RunLine(const std::string& text, std::size_t number, const CommandLine& base,
            const ConnectSettings& settings, const Library& library, Session& session,
            const SecretText& password, bool* allowed) {
    const std::string where = "batch line " + std::to_string(number);
    BatchLine line;
    std::vector<GivenValue> given;
    std::string message;
    const bool usable = ParseBatchLine(text, base, &line, &message) &&
                        CheckOperation(line.command, &given, &message);
    *allowed = line.failureAllowed;
    if (usable && line.skip) return kExitOk;
    if (!usable) {
        std::fprintf(stderr, "vkt: %s: %s\n", where.c_str(), message.c_str());
        return kExitUsage;
    }
    session.SetOperation(where + ": " + OperationContext(line.command, settings),
                         line.command.command == "get");
    return RunOperation(library, session, line.command, given, password);
}

}  // namespace

bool ReadBatch(const std::string& path, std::vector<std::string>* lines, std::string* message) {
    std::ifstream file;
    if (path != "-") {
        file.open(path);
        if (!file) {
            *message = "batch " + path + ": cannot be read: " + std::strerror(errno);
            return false;
        }
    }
    std::istream& in = path == "-" ? std::cin : file;
    std::string text;
    while (std::getline(in, text)) lines->push_back(text);
    if (in.bad()) {
        *message = "batch " + path + ": reading failed";
        return false;
    }
    return true;
}

int RunBatch(const std::vector<std::string>& lines, const CommandLine& base,
             const ConnectSettings& settings, const Library& library, Session& session,
             const SecretText& password) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        bool allowed = false;
        const int status =
            RunLine(lines[i], i + 1, base, settings, library, session, password, &allowed);
        if (InterruptReceived() != Interrupt::kNone && status == kExitOk)
            return session.EndForSignal();
        if (status != kExitOk && (!allowed || EndsTheRun(status))) return status;
    }
    return kExitOk;
}

}  // namespace vkt::cli
