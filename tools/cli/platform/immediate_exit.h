// Ends the process at once with a status, running no exit handlers and no library unload code
// (a library call may still be under way on another thread): _exit on Linux, TerminateProcess
// on Windows, where ExitProcess would run the DLL's detach code.
#pragma once

namespace vkt::cli {

[[noreturn]] void ExitImmediately(int status);

}  // namespace vkt::cli
