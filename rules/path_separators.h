// How this system's paths separate folders: "/" on Linux; "\" (written) and "/" (also read) on
// Windows, where a drive's root ("C:\") is a root folder too.
#pragma once

#include <string>

namespace vkt::rules {

// The separator the programs write between folders.
char PathSeparator();

bool IsPathSeparator(char c);

// A folder a final separator belongs to ("/"; "\", "C:\" or "C:/" on Windows).
bool IsRootFolder(const std::string& folder);

}  // namespace vkt::rules
