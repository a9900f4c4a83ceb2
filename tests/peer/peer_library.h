// The library as the peer cases use it: libVKT32.so loaded once per process with dlopen (with a
// session table of the process's own), key files made by vkt-keygen, temporary folders, and
// waiting for the asynchronous end of an operation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vkt32.h"

namespace vkt::peer {

struct Library {
    decltype(&VKTConectar) conectar = nullptr;
    decltype(&VKTVerificar) verificar = nullptr;
    decltype(&VKTEnviar) enviar = nullptr;
    decltype(&VKTSolicitar) solicitar = nullptr;
    decltype(&VKTDesconectar) desconectar = nullptr;
    decltype(&VKTError) error = nullptr;
    decltype(&VKTEstado) estado = nullptr;
};

// Loaded at first use; an export the library lacks stays null.
const Library& Vkt();

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

// Runs vkt-keygen for user with password into folder (a 512-bit key: USER.pri and USER.pub).
bool MakeKey(const std::string& folder, const std::string& user, const std::string& password);

StatusRecord Estado();
// Polls VKTEstado until activity is no longer 2 (at most ms); the last record read.
StatusRecord WaitForEnd(int ms);
// VKTError: the records recorded since the last read (reading empties the list).
std::vector<ErrorRecord> Errors();

}  // namespace vkt::peer
