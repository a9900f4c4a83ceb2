// vkt: the command-line client. It loads libVKT32.so by name at run time and sends, requests
// and verifies files through the library's seven functions. See command_line.cpp for the
// usage and exit_status.h for the exit statuses.
#include <cstdio>
#include <string>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/exit_status.h"
#include "common/option_parser.h"

int main(int argc, char** argv) {
    using namespace vkt::cli;
    CommandLine line;
    std::string message;
    if (!ParseCommandLine(argc, argv, &line, &message)) {
        return vkt::tools::UsageError("vkt", message);
    }
    if (line.help) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (line.version) {
        vkt::tools::PrintVersion("vkt");
        return kExitOk;
    }
    return RunCommand(line);
}
