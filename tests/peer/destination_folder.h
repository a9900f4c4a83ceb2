// What the request cases look at and plant in the destination folder: its entries with the
// part files named by whose they are, part files of a dead or a live process, and a second
// process that runs a request there until it is killed.
//
// A request receives into ".NAME.<pid>.vkt-part". FolderEntries lists such a file as
// ".NAME.own.vkt-part" when the pid is this process's, ".NAME.dead.vkt-part" for the planted
// dead pid, ".NAME.live.vkt-part" for the planted live one and ".NAME.child.vkt-part" for the
// request child, so that a case names them without knowing pids.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace vkt::peer {

struct PartOwners {
    pid_t dead = 0;   // a process that has ended
    pid_t live = 0;   // a process that runs all through the case (the test's parent)
    pid_t child = 0;  // the request child, alive or killed
};

std::string PartFileName(const std::string& name, pid_t pid);

// The folder's entries, sorted, part files named as above.
std::vector<std::string> FolderEntries(const std::string& folder, const PartOwners& owners);

// The pid of a child process that has already ended and been reaped.
pid_t EndedProcessId();

// Size of the file at path; -1 when there is none.
long long FileSize(const std::string& path);

// This test program again, as a second process that opens a session to the peer, requests a
// file into a folder and waits until it is killed (PeerChild.RequestsAndWaits). Killed and
// reaped when the object goes, if still running.
class RequestChild {
  public:
    RequestChild() = default;
    ~RequestChild() { Kill(); }
    RequestChild(const RequestChild&) = delete;
    RequestChild& operator=(const RequestChild&) = delete;

    // The child's settings go in its environment; false when it could not be started.
    bool Start(const std::map<std::string, std::string>& settings);
    // SIGKILL and reap; true when the child was running and died of the signal.
    bool Kill();
    pid_t pid() const { return pid_; }  // kept after the kill, to name its part file

  private:
    pid_t pid_ = -1;
    bool running_ = false;
};

}  // namespace vkt::peer
