// vkt batch FILE: the lines of FILE run one after another over one session.
#pragma once

#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/library_binding.h"
#include "cli/secret_text.h"
#include "cli/session.h"
#include "cli/settings.h"

namespace vkt::cli {

// The lines of path ("-": standard input) into *lines; false, with message, when it cannot be
// read.
bool ReadBatch(const std::string& path, std::vector<std::string>* lines, std::string* message);

// Runs lines in session, the connection options of base. Each error line names its batch line.
// The batch stops at the first failure of a line not written "-command", and at any failure
// that ends the session or the run (exit_status.h: 3, 4, 6, 130, 143); the exit status is that
// failure's, kExitOk when no failure stopped it.
int RunBatch(const std::vector<std::string>& lines, const CommandLine& base,
             const ConnectSettings& settings, const Library& library, Session& session,
             const SecretText& password);

}  // namespace vkt::cli
