// The library's exports through dlopen/dlsym.
#include "support/vkt_exports.h"

#include <dlfcn.h>

#include <cstdlib>
#include <thread>

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

StatusRecord Estado(const VktExports& vkt) {
    StatusRecord record{};
    vkt.estado(&record);
    return record;
}

StatusRecord WaitForEnd(const VktExports& vkt, std::chrono::milliseconds wait,
                        std::chrono::microseconds interval) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    StatusRecord record = Estado(vkt);
    while (record.activity == 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(interval);
        record = Estado(vkt);
    }
    return record;
}

std::vector<ErrorRecord> Errors(const VktExports& vkt) {
    ErrorRecord records[10] = {};
    const int count = vkt.error(records);
    return std::vector<ErrorRecord>(records, records + (count > 0 ? count : 0));
}

}  // namespace vkt::testing
