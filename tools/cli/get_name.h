// The NAME of "vkt get": the file the server sends, stored under that name in the destination
// folder, so it must be one file name.
#pragma once

#include <string>

#include "cli/command_line.h"

namespace vkt::cli {

// false, with message, when the command is get and its NAME holds "/" or "\", or is "." or
// "..". Checked before the library is loaded or the server reached.
bool CheckGetName(const CommandLine& line, std::string* message);

// Where get stores NAME: DIR/NAME (DIR\NAME on Windows), DIR without its trailing separators.
std::string ReceivedPath(const CommandLine& line);

// DIR of get without its trailing separators (rules/path_separators.h); a root folder ("/",
// "C:\") stays.
std::string DestinationFolder(const CommandLine& line);

}  // namespace vkt::cli
