// vkt: the command-line client. It loads libVKT32.so by name at run time and sends, requests
// and verifies files through the library's seven functions. See command_line.cpp for the
// usage and exit_status.h for the exit statuses.
#include <cstdio>
#include <string>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/exit_status.h"

int main(int argc, char** argv) {
    using namespace vkt::cli;
    CommandLine line;
    std::string message;
    if (!ParseCommandLine(argc, argv, &line, &message)) {
        std::fprintf(stderr, "vkt: %s\n(vkt --help shows the usage)\n", message.c_str());
        return kExitUsage;
    }
    if (line.help) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    return RunCommand(line);
}
