#include "cli/operation_report.h"

#include <cstdio>

#include "cli/error_report.h"
#include "cli/exit_status.h"
#include "cli/get_name.h"
#include "cli/json_text.h"
#include "cli/platform/file_size.h"
#include "rules/latin1.h"

namespace vkt::cli {
void PrintOperationJson(const CommandLine& line, int status, double seconds,
                        const std::optional<std::string>& answer) {
    std::optional<std::string> local = line.target;
    std::optional<std::string> remote;
    if (line.command == "get") {
        local = ReceivedPath(line);
        remote = line.target;
    }
    const bool moved = status == kExitOk && line.command != "verify";
    const Failure failure = TakeLastFailure();
    JsonObject object;
    object.Add("operation", line.command)
        .AddOrNull("local", local)
        .AddOrNull("remote", remote)
        .Add("bytes", moved ? FileSizeOrZero(*local) : std::int64_t{0})
        .AddNumber("seconds", seconds)
        .Add("code", std::int64_t{status == kExitOk ? 0 : failure.code})
        .Add("text", status == kExitOk ? std::string() : failure.text)
        .Add("exit", std::int64_t{status});
    if (answer) object.Add("answer", rules::Latin1ToUtf8(*answer));
    std::printf("%s\n", object.Text().c_str());
    std::fflush(stdout);
}

}  // namespace vkt::cli
