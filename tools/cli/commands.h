// The commands of vkt: send, get and verify, each within one session, and batch, many of
// them within one.
#pragma once

#include "cli/command_line.h"

namespace vkt::cli {

// Runs the parsed command; returns the exit status (exit_status.h).
int RunCommand(const CommandLine& line);

}  // namespace vkt::cli
