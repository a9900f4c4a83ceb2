// Finding libVKT32.so and its exports at run time.
//
// The library is opened by name at the first call of any export (the file named by
// VKT_LIBRARY when set, else the SONAME "libVKT32.so.1", then "libVKT32.so" as a build tree
// has it, through the loader's search path) and each export's address is looked up at its own
// first call and kept. Nothing is loaded at program start.
// Used on the GUI thread only.
#pragma once

#include <QString>

namespace vkt::client::LibVKT32 {

// The address of the export name. A library that cannot be opened raises RunTimeError 53 (and
// is tried again at the next call); a missing export raises RunTimeError 453.
void* ExportAddress(const char* name);

// The typed form of ExportAddress for the export declared as Function in vkt32.h.
template <typename Function>
Function* Export(const char* name) {
    return reinterpret_cast<Function*>(ExportAddress(name));
}

// The file that is opened: the test's choice, else VKT_LIBRARY, else "libVKT32.so.1".
QString LibraryFile();

}  // namespace vkt::client::LibVKT32
