// --json: the line of standard output that reports one operation.
#pragma once

#include <optional>
#include <string>

#include "cli/command_line.h"

namespace vkt::cli {

// Prints the object for line's operation, which ended with status after seconds: operation,
// local, remote, bytes, seconds, code and text (of the failure reported last, error_report.h),
// exit, and answer when verify received one (Latin-1).
void PrintOperationJson(const CommandLine& line, int status, double seconds,
                        const std::optional<std::string>& answer);

}  // namespace vkt::cli
