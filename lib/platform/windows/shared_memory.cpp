// The shared mapping on Windows: a file mapping on the paging file, named "<prefix><kind>" in
// the session's namespace; GetLastError() == ERROR_ALREADY_EXISTS after CreateFileMappingA
// tells a joiner. A new mapping of the paging file is zero-filled.
#include "platform/shared_memory.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vkt::platform {

namespace {

// "<prefix><kind>"; false when it does not fit or the prefix holds a '\' (which would name
// another namespace).
bool MappingName(const char* kind, char* out, std::size_t size) {
    const char* prefix = std::getenv("VKT_SHM_PREFIX");
    if (prefix == nullptr) prefix = "VKT";
    if (std::strchr(prefix, '\\') != nullptr) return false;
    const int length = std::snprintf(out, size, "%s%s", prefix, kind);
    return length > 0 && static_cast<std::size_t>(length) < size;
}

}  // namespace

void SleepOneMillisecond() {
    Sleep(1);
}

SharedMemory::~SharedMemory() {
    Close();
}

bool SharedMemory::Open(const char* kind, std::size_t size) {
    Close();
    if (!MappingName(kind, name_, sizeof name_)) return false;
    const HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              static_cast<DWORD>(size), name_);
    if (mapping == nullptr) return false;
    const bool joined = GetLastError() == ERROR_ALREADY_EXISTS;
    void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size);
    if (view == nullptr) {
        CloseHandle(mapping);
        return false;
    }
    view_ = view;
    size_ = size;
    created_ = !joined;
    handle_ = reinterpret_cast<std::uintptr_t>(mapping);
    return true;
}

void SharedMemory::Close() {
    if (view_ != nullptr) UnmapViewOfFile(view_);
    if (handle_ != 0) CloseHandle(reinterpret_cast<HANDLE>(handle_));
    view_ = nullptr;
    size_ = 0;
    handle_ = 0;
}

// The mapping's name goes with its last handle.
void SharedMemory::RemoveName() {
    created_ = false;
}

}  // namespace vkt::platform
