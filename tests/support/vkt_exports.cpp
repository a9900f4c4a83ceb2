// The library's exports through dlopen/dlsym.
#include "support/vkt_exports.h"

#include <dlfcn.h>

#include <cstdlib>

#include "support/test_support.h"

namespace vkt::testing {
namespace {

template <typename Function>
void Bind(void* handle, const char* name, Function* function) {
    *function = reinterpret_cast<Function>(dlsym(handle, name));
}

}  // namespace

const VktExports& LoadVkt(const std::string& shmStem) {
    static const VktExports exports = [&shmStem] {
        VktExports loaded;
        setenv("VKT_SHM_PREFIX", ShmPrefix(shmStem).c_str(), 1);
        void* handle = dlopen(VKT_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) return loaded;
        Bind(handle, "VKTConectar", &loaded.conectar);
        Bind(handle, "VKTVerificar", &loaded.verificar);
        Bind(handle, "VKTEnviar", &loaded.enviar);
        Bind(handle, "VKTSolicitar", &loaded.solicitar);
        Bind(handle, "VKTDesconectar", &loaded.desconectar);
        Bind(handle, "VKTError", &loaded.error);
        Bind(handle, "VKTEstado", &loaded.estado);
        return loaded;
    }();
    return exports;
}

}  // namespace vkt::testing
