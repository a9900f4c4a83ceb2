// What the end-to-end tests of vkt share: temporary folders, a vkt-server process on a free
// loopback port, keys made by vkt-keygen, and vkt itself run as a process with its output
// captured. Every vkt run uses a session table of this test process's own.
#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace vkt::cli::test {

using testing::ClosedPort;
using testing::MakeKey;
using testing::TempDir;
using Server = testing::ServerProcess;
inline std::string ReadFile(const std::string& path) {
    return testing::ReadWholeFile(path);
}
inline void WriteFile(const std::string& path, const std::string& contents) {
    testing::WriteWholeFile(path, contents);
}
inline bool Exists(const std::string& path) {
    return testing::FileExists(path);
}

struct VktRun {
    int status = -1;  // exit status; -1 when vkt did not exit normally
    int signal = 0;   // the signal that ended it, 0 when it exited
    std::string out;
    std::string err;
};

// Runs vkt with args. The environment is this process's, with VKT_SHM_PREFIX set to this
// process's own prefix, VKT_HOME to an empty folder unless env gives one, and env applied on
// top (an empty value removes the variable). When watch is given it is called every 20 ms with
// the standard error so far and the pid, until vkt ends.
VktRun RunVkt(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
              const std::function<void(const std::string&, pid_t)>& watch = nullptr);

// The same for any program at path (vkt-server, vkt-keygen).
VktRun RunProgram(const std::string& path, const std::vector<std::string>& args,
                  const std::map<std::string, std::string>& env,
                  const std::function<void(const std::string&, pid_t)>& watch = nullptr);

}  // namespace vkt::cli::test
