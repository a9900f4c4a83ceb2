// Standard error as the progress line sees it: whether it is a terminal (a console on
// Windows: a redirected stream, NUL included, is not), its width, and whether the terminal
// understands "\033[K" (erase to the end of the line). Linux terminals do; a Windows console
// does once virtual-terminal processing is turned on, which EnableLineErase() tries.
#pragma once

#include <cstddef>

namespace vkt::cli {

bool StandardErrorIsTerminal();

// The width in columns of the terminal standard error writes to; 0 when unknown.
std::size_t TerminalColumns();

// true when "\033[K" erases the rest of the line on standard error's terminal.
bool EnableLineErase();

}  // namespace vkt::cli
