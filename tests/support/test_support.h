// What the process-level tests share: temporary folders, whole-file reads and writes, quiet
// child processes, key pairs from vkt-keygen, a vkt-server process on a free loopback port, a
// loopback port nobody listens on, and a shared-memory prefix of the test process's own that
// is cleaned up when the tests end.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace vkt::testing {

// A temporary folder, removed with its contents when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

std::string ReadWholeFile(const std::string& path);  // "" when missing
bool WriteWholeFile(const std::string& path, const std::string& contents);
bool FileExists(const std::string& path);
bool CopyFile(const std::string& from, const std::string& to);
// Names in a folder, "." and ".." left out.
std::vector<std::string> ListFolder(const std::string& path);
// count bytes of a repeatable pseudo-random sequence.
std::string Bytes(std::size_t count, unsigned seed = 1);

// Runs a program with its output discarded; its exit status, -1 when it did not exit.
int RunQuietly(const std::vector<std::string>& args);

// vkt-keygen: a 512-bit USER.pri and USER.pub in folder, protected with password.
bool MakeKey(const std::string& folder, const std::string& user, const std::string& password);

// A loopback port on which nothing listens.
int ClosedPort();

// Whether this machine has an IPv6 loopback to listen on (a socket can be bound to ::1).
bool HasIpv6Loopback();

// A TCP connection to 127.0.0.1:port from the loopback address source (loopback answers all of
// 127/8, so a server sees another client address); -1 when it is not made within 5 s.
int ConnectFrom(const std::string& source, int port);
// Raises this process's descriptor limit to its hard limit; the limit now in force.
long RaiseDescriptorLimit();

// "<stem><pid>." (or VKT_E2E_SHM_PREFIX when a parent test passes its own): the VKT_SHM_PREFIX
// of this test process. The shared objects under it are removed when the tests end, unless
// the prefix is a parent's.
std::string ShmPrefix(const std::string& stem);
// Removes the shared objects whose names begin with prefix (what ShmPrefix's cleanup does for
// programs that run no tests).
void RemoveSharedObjects(const std::string& prefix);

// vkt-server with --port 0 and its users/, inbox/ and outbox/ folders under a temporary root;
// its standard error goes to ROOT/server.log. Stopped when the object goes.
class ServerProcess {
  public:
    ServerProcess();
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts it with the extra arguments and reads the port from its listening line; false
    // when the line does not come within 10 s.
    bool Start(const std::vector<std::string>& extra = {});
    void Stop();
    // SIGHUP: the server reads the users' keys and the answers file again (a key written
    // after Start is only known after this); true once it has logged the reload.
    bool ReloadTables();
    // Sends signal and waits up to timeoutMs for the server to exit: its exit status, -1 when it
    // was killed by a signal or did not exit in time (it is killed then).
    int StopWith(int signal, int timeoutMs);
    void Freeze();  // SIGSTOP: connections queue in the backlog, nothing is answered
    void Thaw();    // SIGCONT

    int port() const { return port_; }
    pid_t pid() const { return pid_; }
    const std::string& listeningLine() const { return line_; }
    std::string root() const { return root_.path(); }
    std::string users() const { return root() + "/users"; }
    std::string inbox() const { return root() + "/inbox"; }
    std::string outbox() const { return root() + "/outbox"; }
    std::string Log() const;  // its standard error so far
    // True once the log holds text count times (the server writes from its own threads);
    // waits at most 3 s.
    bool LogShows(const std::string& text, int count = 1) const;

  private:
    TempDir root_;
    pid_t pid_ = -1;
    int port_ = 0;
    std::string line_;
};

}  // namespace vkt::testing
