// dlopen/dlsym with the program's run-time errors. The library stays loaded until the process
// ends: its event thread and timers may still be running when the program forgets it.
#include "binding/library_loader.h"

#include <dlfcn.h>

#include <map>
#include <string>

#include "binding/lib_vkt32.h"
#include "general/run_time_error.h"
#include "general/text_encoding.h"

namespace vkt::client::LibVKT32 {
namespace {

constexpr char kSoname[] = "libVKT32.so.1";
constexpr char kUnversionedName[] = "libVKT32.so";

struct Binding {
    QString chosenFile;  // SetLibraryFile's choice; empty: VKT_LIBRARY or the default name
    void* handle = nullptr;
    std::map<std::string, void*> addresses;
};

Binding& State() {
    static Binding binding;
    return binding;
}

void* OpenLibrary() {
    Binding& binding = State();
    if (binding.handle != nullptr) return binding.handle;
    const QString file = LibraryFile();
    binding.handle = dlopen(ToPath(file).constData(), RTLD_NOW | RTLD_LOCAL);
    // No file chosen: after the SONAME, the unversioned name a build tree also has.
    if (binding.handle == nullptr && file == QLatin1String(kSoname)) {
        binding.handle = dlopen(kUnversionedName, RTLD_NOW | RTLD_LOCAL);
    }
    if (binding.handle == nullptr) {
        throw RunTimeError(kErrFileNotFound,
                           QString::fromUtf8("No se encontró el archivo: %1").arg(file));
    }
    return binding.handle;
}

}  // namespace

QString LibraryFile() {
    const QString chosen = State().chosenFile;
    if (!chosen.isEmpty()) return chosen;
    const QString fromEnvironment = qEnvironmentVariable("VKT_LIBRARY");
    return fromEnvironment.isEmpty() ? QString::fromLatin1(kSoname) : fromEnvironment;
}

void* ExportAddress(const char* name) {
    Binding& binding = State();
    const auto known = binding.addresses.find(name);
    if (known != binding.addresses.end()) return known->second;
    void* address = dlsym(OpenLibrary(), name);
    if (address == nullptr) {
        throw RunTimeError(kErrEntryPointNotFound,
                           QString::fromUtf8("No se encontró el punto de entrada %1 en %2")
                               .arg(QLatin1String(name), LibraryFile()));
    }
    binding.addresses.emplace(name, address);
    return address;
}

void SetLibraryFile(const QString& file) {
    Binding& binding = State();
    binding.chosenFile = file;
    binding.handle = nullptr;  // kept loaded (see above); only forgotten
    binding.addresses.clear();
}

}  // namespace vkt::client::LibVKT32
