// The library, loaded by name at run time (never linked) and its seven functions looked up by
// name: libVKT32.so on Linux, VKT32.dll on Windows (platform/library_loader.h says where each
// is looked for; VKT_LIBRARY, a full path, wins on both).
#pragma once

#include <string>

#include "vkt32.h"

namespace vkt::cli {

// Once loaded, the library stays loaded until the process ends: its own unload code then
// releases a session still open (the server gets the disconnect notice) and stops its threads.
class Library {
  public:
    Library() = default;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // false, with a message for the user, when the file or one of the functions is missing.
    bool Load(std::string* message);

    decltype(&VKTConectar) conectar = nullptr;
    decltype(&VKTVerificar) verificar = nullptr;
    decltype(&VKTEnviar) enviar = nullptr;
    decltype(&VKTSolicitar) solicitar = nullptr;
    decltype(&VKTDesconectar) desconectar = nullptr;
    decltype(&VKTError) error = nullptr;
    decltype(&VKTEstado) estado = nullptr;

  private:
    void* handle_ = nullptr;
};

}  // namespace vkt::cli
