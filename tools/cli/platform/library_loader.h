// Loading the library file and looking up its functions, as each system does it.
//
//   Linux    VKT_LIBRARY (a full path) when that variable is set, else the SONAME
//            "libVKT32.so.1", then "libVKT32.so" (a build tree's), each found through the
//            program's run path and the usual search (dlopen, dlsym).
//   Windows  VKT_LIBRARY when set, else "VKT32.dll", found next to vkt.exe and on the DLL
//            search path (LoadLibraryA, GetProcAddress of the undecorated names).
#pragma once

#include <string>

namespace vkt::cli {

// The library's handle, nullptr when it cannot be loaded; *file: the file last tried, for
// messages; *message: the loader's reason when it fails.
void* OpenVktLibrary(std::string* file, std::string* message);

// The function's address, nullptr when the library lacks it.
void* FindLibraryFunction(void* library, const char* name);

void CloseVktLibrary(void* library);

}  // namespace vkt::cli
