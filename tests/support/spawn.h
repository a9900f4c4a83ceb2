// Child processes of the process-level tests, started with posix_spawn. The parent prepares
// every argument, variable and descriptor, so the child runs nothing of ours between fork and
// exec. Several tests start programs from many threads at once; a child made with fork that
// allocates or sets a variable before exec can wait forever on a lock another thread held at
// the moment of the fork (the sanitizers' allocators make that likely).
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace vkt::testing {

struct SpawnOptions {
    std::vector<std::string> args;  // args[0] is the program's path
    // Applied over this process's environment; an empty value removes the variable.
    std::map<std::string, std::string> env;
    std::string stdinPath = "/dev/null";
    // Files created (truncated) for the output streams; "/dev/null" discards, "" inherits.
    std::string stdoutPath;
    std::string stderrPath;
    int stdoutFd = -1;        // a descriptor (a pipe's end) for standard output instead
    bool newSession = false;  // setsid: no controlling terminal
};

// The child's pid, -1 when it could not be started.
pid_t Spawn(const SpawnOptions& options);

}  // namespace vkt::testing
