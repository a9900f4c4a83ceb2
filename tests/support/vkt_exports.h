// libVKT32.so loaded the way a client loads it - dlopen by path, the seven exports looked up -
// once per test process, with VKT_SHM_PREFIX set first to the process's own prefix.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "vkt32.h"

namespace vkt::testing {

struct VktExports {
    decltype(&VKTConectar) conectar = nullptr;
    decltype(&VKTVerificar) verificar = nullptr;
    decltype(&VKTEnviar) enviar = nullptr;
    decltype(&VKTSolicitar) solicitar = nullptr;
    decltype(&VKTDesconectar) desconectar = nullptr;
    decltype(&VKTError) error = nullptr;
    decltype(&VKTEstado) estado = nullptr;

    bool Complete() const {
        return conectar && verificar && enviar && solicitar && desconectar && error && estado;
    }
};

// Loads the library at the first call, with ShmPrefix(shmStem) as its session-table prefix
// (later calls return the same exports whatever stem they give). An export that cannot be
// found stays null.
const VktExports& LoadVkt(const std::string& shmStem);

// VKTEstado's record.
StatusRecord Estado(const VktExports& vkt);
// Polls VKTEstado every interval until activity is no longer 2 (at most wait); the last record.
StatusRecord WaitForEnd(const VktExports& vkt, std::chrono::milliseconds wait,
                        std::chrono::microseconds interval = std::chrono::milliseconds(10));
// VKTError: the records recorded since the last read (reading empties the list).
std::vector<ErrorRecord> Errors(const VktExports& vkt);

}  // namespace vkt::testing
