#include "cli/library_binding.h"

#include <type_traits>

#include "cli/platform/library_loader.h"

namespace vkt::cli {

bool Library::Load(std::string* message) {
    std::string file;
    handle_ = OpenVktLibrary(&file, message);
    if (handle_ == nullptr) return false;
    bool complete = true;
    auto find = [&](auto** slot, const char* name) {
        void* address = FindLibraryFunction(handle_, name);
        if (address == nullptr) {
            if (complete) *message = file + " lacks the function";
            *message += std::string(" ") + name;
            complete = false;
            return;
        }
        *slot = reinterpret_cast<std::remove_pointer_t<decltype(slot)>>(address);
    };
    find(&conectar, "VKTConectar");
    find(&verificar, "VKTVerificar");
    find(&enviar, "VKTEnviar");
    find(&solicitar, "VKTSolicitar");
    find(&desconectar, "VKTDesconectar");
    find(&error, "VKTError");
    find(&estado, "VKTEstado");
    if (!complete) {
        CloseVktLibrary(handle_);
        handle_ = nullptr;
    }
    return complete;
}

}  // namespace vkt::cli
