// What the end-to-end tests of vkt share: temporary folders, a vkt-server process on a free
// loopback port, keys made by vkt-keygen, and vkt itself run as a process with its output
// captured. Every vkt run uses a session table of this test process's own.
#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vkt::cli::test {

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

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& contents);
bool Exists(const std::string& path);

// vkt-server on 127.0.0.1 with --port 0 and users/, inbox/ and outbox/ under a temporary root.
class Server {
  public:
    Server();
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    bool Start(const std::vector<std::string>& extra = {});
    void Stop();
    int port() const { return port_; }
    std::string root() const { return root_.path(); }
    std::string users() const { return root_.path() + "/users"; }
    std::string inbox() const { return root_.path() + "/inbox"; }
    std::string outbox() const { return root_.path() + "/outbox"; }
    std::string Log() const;
    // True once the log holds text (the server writes it from its own threads).
    bool LogShows(const std::string& text) const;

  private:
    TempDir root_;
    pid_t pid_ = -1;
    int port_ = 0;
};

// vkt-keygen: a 512-bit USER.pri and USER.pub in folder.
bool MakeKey(const std::string& folder, const std::string& user, const std::string& password);

// A loopback port on which nothing listens.
int ClosedPort();

struct VktRun {
    int status = -1;  // exit status; -1 when vkt did not exit normally
    std::string out;
    std::string err;
};

// Runs vkt with args. The environment is this process's, with VKT_SHM_PREFIX set to this
// process's own prefix, VKT_HOME to an empty folder unless env gives one, and env applied on
// top (an empty value removes the variable). When watch is given it is called every 20 ms with
// the standard error so far and the pid, until vkt ends.
VktRun RunVkt(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
              const std::function<void(const std::string&, pid_t)>& watch = nullptr);

}  // namespace vkt::cli::test
