// Where a password is read from, as each system does it: a file's first line, and a prompt
// on the terminal without echo.
//
//   Linux    the terminal's ECHO flag off (ECHONL on) while the line is typed. A SIGINT or
//            SIGTERM during the prompt restores the terminal and is then raised again for the
//            handler the program had before.
//   Windows  the console's ENABLE_ECHO_INPUT off while the line is typed, read as UTF-16 and
//            passed on as UTF-8. A console control event during the prompt restores the console
//            and goes on to the handler the program had before (the system's ends the
//            program).
#pragma once

#include <string>

#include "common/password_source.h"
#include "common/secret_text.h"

namespace vkt::tools {

// The first line of the file at path; kFailed with a message when it cannot be read.
PasswordResult FirstLineOf(const std::string& path, SecretText* line, std::string* message);

// Whether standard input is a terminal (on Windows a console), so that a prompt can be shown.
bool StandardInputIsTerminal();

// One line typed on standard input (a terminal), echo off while it is typed; prompt goes to
// standard error. kInterrupted when a signal or console event arrived meanwhile.
PasswordResult Prompt(const char* prompt, SecretText* typed, std::string* message);

}  // namespace vkt::tools
