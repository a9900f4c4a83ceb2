// A vkt-server process for one test: its folders in a fresh temporary directory, its standard
// error in a file there, stopped with SIGTERM when the object goes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace vkt::server::test {

class ServerProcess {
  public:
    // Makes ROOT/users, ROOT/inbox and ROOT/outbox under a new temporary ROOT.
    ServerProcess();
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts the server with --port 0, the three folders and the extra arguments, and waits for
    // its listening line; false when it does not come within 10 s.
    bool Start(const std::vector<std::string>& extra = {});
    void Stop();

    int port() const { return port_; }
    const std::string& listeningLine() const { return line_; }
    const std::string& root() const { return root_; }
    std::string users() const { return root_ + "/users"; }
    std::string inbox() const { return root_ + "/inbox"; }
    std::string outbox() const { return root_ + "/outbox"; }
    // What the server has logged so far.
    std::string Log() const;

  private:
    std::string root_;
    pid_t pid_ = -1;
    int port_ = 0;
    std::string line_;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& contents);
bool FileExists(const std::string& path);
// Names in a folder, "." and ".." left out.
std::vector<std::string> ListFolder(const std::string& path);

}  // namespace vkt::server::test
