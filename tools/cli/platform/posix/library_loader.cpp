#include "cli/platform/library_loader.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace vkt::cli {
namespace {

// By its SONAME, as installed; then the unversioned name, which a build tree also has.
constexpr const char* kLibraryNames[] = {"libVKT32.so.1", "libVKT32.so"};

// The library found through this program's own search list (its run path with $ORIGIN
// expanded, LD_LIBRARY_PATH, the system folders). A plain dlopen by name searches the run path
// of the object that calls it, and an interposed dlopen (a sanitizer's) is such an object:
// walking the program's list by hand finds the library wherever the run path says.
void* OpenThroughProgramSearchPath(const std::string& name) {
    void* program = dlopen(nullptr, RTLD_NOW);
    if (program == nullptr) return nullptr;
    Dl_serinfo size{};
    void* found = nullptr;
    if (dlinfo(program, RTLD_DI_SERINFOSIZE, &size) == 0 && size.dls_size > 0) {
        std::vector<unsigned char> storage(size.dls_size);
        auto* info = reinterpret_cast<Dl_serinfo*>(storage.data());
        std::memcpy(info, &size, sizeof size);
        if (dlinfo(program, RTLD_DI_SERINFO, info) == 0) {
            for (unsigned int i = 0; i < info->dls_cnt && found == nullptr; ++i) {
                const std::string path = std::string(info->dls_serpath[i].dls_name) + "/" + name;
                found = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            }
        }
    }
    dlclose(program);
    return found;
}

// The loader's reason, after a failed dlopen of file.
std::string CannotLoad(const std::string& file) {
    const char* why = dlerror();
    return "cannot load " + file + ": " + (why != nullptr ? why : "unknown reason");
}

}  // namespace

void* OpenVktLibrary(std::string* file, std::string* message) {
    const char* chosen = std::getenv("VKT_LIBRARY");
    void* handle = nullptr;
    if (chosen != nullptr && *chosen != '\0') {
        *file = chosen;
        handle = dlopen(file->c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) *message = CannotLoad(*file);
        return handle;
    }
    for (const char* name : kLibraryNames) {
        *file = name;
        handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            if (name == kLibraryNames[0]) *message = CannotLoad(name);
            handle = OpenThroughProgramSearchPath(name);
        }
        if (handle != nullptr) break;
    }
    return handle;
}

void* FindLibraryFunction(void* library, const char* name) {
    dlerror();
    return dlsym(library, name);
}

void CloseVktLibrary(void* library) {
    dlclose(library);
}

}  // namespace vkt::cli
