// What the end-to-end tests share: the library loaded once per process with a session table of
// that process's own, a vkt-server process, key files made by vkt-keygen, and waiting for the
// asynchronous end of an operation.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "vkt32.h"

namespace vkt::e2e {

struct Library {
    decltype(&VKTConectar) conectar = nullptr;
    decltype(&VKTDesconectar) desconectar = nullptr;
    decltype(&VKTError) error = nullptr;
    decltype(&VKTEstado) estado = nullptr;
    decltype(&VKTVerificar) verificar = nullptr;
    decltype(&VKTEnviar) enviar = nullptr;
    decltype(&VKTSolicitar) solicitar = nullptr;
};

// libVKT32.so, opened at first use after VKT_SHM_PREFIX is set (from VKT_E2E_SHM_PREFIX when a
// parent test passes its own, else one for this process). Fails the test when it cannot load.
const Library& Vkt();
std::string ShmPrefix();

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

// vkt-server on 127.0.0.1 with --port 0 and its folders under a temporary root.
class Server {
  public:
    Server();
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    // Starts it and reads the port from its listening line; false when it does not listen.
    bool Start(const std::vector<std::string>& extra = {});
    void Stop();
    void Freeze();  // SIGSTOP: connections queue in the backlog, nothing is answered
    void Thaw();    // SIGCONT
    int port() const { return port_; }
    std::string users() const { return root_.path() + "/users"; }
    std::string inbox() const { return root_.path() + "/inbox"; }
    std::string outbox() const { return root_.path() + "/outbox"; }
    std::string root() const { return root_.path(); }
    std::string Log() const;  // its standard error so far

  private:
    TempDir root_;
    pid_t pid_ = -1;
    int port_ = 0;
};

// Runs vkt-keygen for user with password into folder (a 512-bit key: USER.pri and USER.pub).
bool MakeKey(const std::string& folder, const std::string& user, const std::string& password);
bool CopyFile(const std::string& from, const std::string& to);
// Whole-file read and write; ReadFile gives "" for a missing file (check FileExists).
std::string ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// count bytes of a repeatable pseudo-random sequence.
std::string Bytes(std::size_t count, unsigned seed = 1);

// Polls VKTEstado until activity is no longer 2 (at most seconds); the last record read.
StatusRecord WaitForEnd(int seconds = 20);
StatusRecord Estado();
std::vector<ErrorRecord> Errors();
// A loopback port on which nothing listens.
int ClosedPort();

}  // namespace vkt::e2e
