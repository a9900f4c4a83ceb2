#include "cli/commands.h"

#include <cstdio>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/deadline.h"
#include "cli/exit_status.h"
#include "cli/field_values.h"
#include "cli/interrupt.h"
#include "cli/library_binding.h"
#include "cli/operation_report.h"
#include "cli/operations.h"
#include "cli/output_level.h"
#include "cli/session.h"
#include "cli/settings.h"
#include "common/password_source.h"

namespace vkt::cli {

int RunCommand(const CommandLine& line) {
    SetOutputLevel(line.quiet     ? OutputLevel::kQuiet
                   : line.verbose ? OutputLevel::kVerbose
                                  : OutputLevel::kNormal);
    SetProgressMode(line.quiet ? ProgressMode::kNever : *ProgressModeNamed(line.progress));
    std::string message;
    ConnectSettings settings;
    std::vector<GivenValue> given;
    const bool batch = line.command == "batch";
    if ((!batch && !CheckOperation(line, &given, &message)) ||
        !ResolveSettings(line, &settings, &message)) {
        std::fprintf(stderr, "vkt: %s\n", message.c_str());
        return kExitUsage;
    }
    std::vector<std::string> lines;
    if (batch && !ReadBatch(line.target, &lines, &message)) {
        std::fprintf(stderr, "vkt: %s\n", message.c_str());
        return kExitLocalFile;
    }
    InstallInterruptHandlers();
    Library library;
    if (!library.Load(&message)) {
        std::fprintf(stderr, "vkt: %s\n", message.c_str());
        return kExitNoLibrary;
    }
    SecretText password;
    switch (tools::ReadPassword({line.passwordFile}, &password, &message)) {
        case tools::PasswordResult::kRead:
            break;
        case tools::PasswordResult::kNoSource:
        case tools::PasswordResult::kFailed:
            std::fprintf(stderr, "vkt: %s\n", message.c_str());
            return kExitUsage;
        case tools::PasswordResult::kInterrupted:
            return InterruptedStatus();
    }
    const std::string context = batch ? "batch " + line.target + " at " + ServerAndPort(settings)
                                      : OperationContext(line, settings);
    if (line.timeout) StartDeadline(settings.timeout, context);
    Session session(library, WaitBoundSeconds(settings.timeout), context, line.command == "get");
    const int opened = session.Open(settings, password, line.waitSession.value_or(0));
    if (opened != kExitOk) {
        // A single command's operation fails with its connect; a batch runs no line.
        if (line.json && !batch) PrintOperationJson(line, opened, 0, std::nullopt);
        return opened;
    }
    if (batch) return RunBatch(lines, line, settings, library, session, password);
    return RunOperation(library, session, line, given, password);
}

}  // namespace vkt::cli
