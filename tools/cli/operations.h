// The operations of vkt, send, get and verify, each in a session already open: shared by a
// single command and the lines of a batch.
#pragma once

#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/field_values.h"
#include "cli/library_binding.h"
#include "cli/secret_text.h"
#include "cli/session.h"
#include "cli/settings.h"

namespace vkt::cli {

// The checks of line's operation made before the server is asked: get's NAME, and the --field
// values into Latin-1 (*given). false, with message, on a usage error.
bool CheckOperation(const CommandLine& line, std::vector<GivenValue>* given, std::string* message);

// What the operation concerns, for its error lines: "send FILE to HOST:PORT", "get NAME from
// HOST:PORT", "verify FILE at HOST:PORT".
std::string OperationContext(const CommandLine& line, const ConnectSettings& settings);

// Runs line's operation in session; the exit status. Failures are printed.
int RunOperation(const Library& library, Session& session, const CommandLine& line,
                 const std::vector<GivenValue>& given, const SecretText& password);

}  // namespace vkt::cli
