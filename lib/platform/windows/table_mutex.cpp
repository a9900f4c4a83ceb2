// The table mutex on Windows: the named mutex "<prefix>Mutex" ("VKTMutex") in the session's
// namespace. Windows mutexes are recursive; WAIT_ABANDONED (the owner ended holding it) gives
// the mutex to the waiter, who uses the table as it is.
#include "platform/table_mutex.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vkt::platform {

namespace {

HANDLE AsHandle(std::uintptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

TableMutex::~TableMutex() {
    Close();
}

bool TableMutex::Open() {
    Close();
    const char* prefix = std::getenv("VKT_SHM_PREFIX");
    if (prefix == nullptr) prefix = "VKT";
    char name[256];
    const int length = std::snprintf(name, sizeof name, "%sMutex", prefix);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof name ||
        std::strchr(prefix, '\\') != nullptr)
        return false;
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    if (mutex == nullptr) return false;
    initialised_ = GetLastError() != ERROR_ALREADY_EXISTS;
    handle_ = reinterpret_cast<std::uintptr_t>(mutex);
    return true;
}

void TableMutex::Close() {
    if (handle_ != 0) CloseHandle(AsHandle(handle_));
    handle_ = 0;
    initialised_ = false;
}

bool TableMutex::Lock() {
    const DWORD result = WaitForSingleObject(AsHandle(handle_), INFINITE);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void TableMutex::Unlock() {
    ReleaseMutex(AsHandle(handle_));
}

}  // namespace vkt::platform
