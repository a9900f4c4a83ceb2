// Files on Windows: CreateFileA with no sharing (the exclusive open), LockFileEx without
// waiting, the volume serial number and file index as identity, MoveFileExA to replace a file.
// "\" and "/" both separate.
#include "platform/files.h"

#include <windows.h>

#include <cstring>

namespace vkt::platform {

const int kErrorNotFound = ERROR_FILE_NOT_FOUND;
const int kErrorHeld = ERROR_SHARING_VIOLATION;
const int kErrorIsDirectory = ERROR_DIRECTORY;
const int kErrorNotRegular = ERROR_BAD_FILE_TYPE;
const int kErrorNameTooLong = ERROR_FILENAME_EXCED_RANGE;
const int kErrorInvalid = ERROR_INVALID_PARAMETER;

namespace {

HANDLE AsHandle(FileHandle file) {
    return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(file));
}

FileHandle AsFile(HANDLE handle) {
    return static_cast<FileHandle>(reinterpret_cast<INT_PTR>(handle));
}

int LastError() {
    return static_cast<int>(GetLastError());
}

// A missing folder on the way reads as a missing file, as callers only ask "is it there".
int OpenError() {
    const DWORD error = GetLastError();
    if (error == ERROR_PATH_NOT_FOUND) return kErrorNotFound;
    if (error == ERROR_LOCK_VIOLATION) return kErrorHeld;
    return static_cast<int>(error);
}

DWORD DesiredAccess(Access access) {
    switch (access) {
        case Access::kRead:
            return GENERIC_READ;
        case Access::kWrite:
            return GENERIC_WRITE;
        case Access::kReadWrite:
            return GENERIC_READ | GENERIC_WRITE;
    }
    return 0;
}

DWORD CreationOf(Disposition disposition) {
    switch (disposition) {
        case Disposition::kOpenExisting:
            return OPEN_EXISTING;
        case Disposition::kOpenAlways:
            return OPEN_ALWAYS;
        case Disposition::kCreateNew:
            return CREATE_NEW;
    }
    return 0;
}

// The whole of any file: offset 0, the largest length.
constexpr DWORD kWholeLow = 0xFFFFFFFF;
constexpr DWORD kWholeHigh = 0xFFFFFFFF;

}  // namespace

// FILE_FLAG_BACKUP_SEMANTICS lets a folder be opened, so that it is told apart (and refused)
// instead of failing with a bare "access denied".
int OpenExclusive(const char* name, Access access, Disposition disposition, FileHandle* file) {
    const DWORD desired = DesiredAccess(access);
    const DWORD creation = CreationOf(disposition);
    if (name == nullptr || file == nullptr || desired == 0 || creation == 0) {
        return kErrorInvalid;
    }
    const HANDLE handle = CreateFileA(name, desired, 0, nullptr, creation,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD attributes = GetFileAttributesA(name);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return kErrorIsDirectory;
        return OpenError();
    }
    BY_HANDLE_FILE_INFORMATION info{};
    int refused = 0;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        refused = kErrorNotRegular;
    } else if (!GetFileInformationByHandle(handle, &info)) {
        refused = LastError();
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        refused = kErrorIsDirectory;
    }
    if (refused != 0) {
        CloseHandle(handle);
        return refused;
    }
    *file = AsFile(handle);
    return 0;
}

int CloseFile(FileHandle file) {
    return CloseHandle(AsHandle(file)) ? 0 : LastError();
}

int LockWhole(FileHandle file, bool shared) {
    OVERLAPPED at{};
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (shared ? 0 : LOCKFILE_EXCLUSIVE_LOCK);
    return LockFileEx(AsHandle(file), flags, 0, kWholeLow, kWholeHigh, &at) ? 0 : LastError();
}

int UnlockWhole(FileHandle file) {
    OVERLAPPED at{};
    return UnlockFileEx(AsHandle(file), 0, kWholeLow, kWholeHigh, &at) ? 0 : LastError();
}

// A read with an OVERLAPPED offset on a synchronous handle: the position moves past the bytes
// read, which no caller relies on either way.
int ReadAt(FileHandle file, void* buffer, std::uint32_t count, std::uint64_t offset,
           std::uint32_t* got) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::uint32_t done = 0;
    while (done < count) {
        OVERLAPPED at{};
        const std::uint64_t from = offset + done;
        at.Offset = static_cast<DWORD>(from);
        at.OffsetHigh = static_cast<DWORD>(from >> 32);
        DWORD n = 0;
        if (!ReadFile(AsHandle(file), bytes + done, count - done, &n, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            return LastError();
        }
        if (n == 0) break;
        done += n;
    }
    *got = done;
    return 0;
}

int ReadNext(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* got) {
    DWORD n = 0;
    if (!ReadFile(AsHandle(file), buffer, count, &n, nullptr)) return LastError();
    *got = n;
    return 0;
}

int Append(FileHandle file, const void* data, std::uint32_t length) {
    const HANDLE handle = AsHandle(file);
    LARGE_INTEGER none{};
    if (!SetFilePointerEx(handle, none, nullptr, FILE_END)) return LastError();
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::uint32_t done = 0;
    while (done < length) {
        DWORD wrote = 0;
        if (!WriteFile(handle, bytes + done, length - done, &wrote, nullptr)) return LastError();
        if (wrote == 0) return ERROR_WRITE_FAULT;
        done += wrote;
    }
    return 0;
}

int Truncate(FileHandle file) {
    const HANDLE handle = AsHandle(file);
    LARGE_INTEGER none{};
    if (!SetFilePointerEx(handle, none, nullptr, FILE_BEGIN) || !SetEndOfFile(handle)) {
        return LastError();
    }
    return 0;
}

int SizeOf(FileHandle file, std::uint64_t* size) {
    LARGE_INTEGER value{};
    if (!GetFileSizeEx(AsHandle(file), &value)) return LastError();
    *size = value.QuadPart < 0 ? 0 : static_cast<std::uint64_t>(value.QuadPart);
    return 0;
}

// A handle does not tell its access without the native API: a write of no bytes succeeds only
// on a handle with write access, and a read of no bytes only on one with read access.
Access AccessOf(FileHandle file) {
    const HANDLE handle = AsHandle(file);
    if (file == kInvalidFile) return Access::kRead;
    char none = 0;
    DWORD n = 0;
    OVERLAPPED at{};
    const bool canWrite = WriteFile(handle, &none, 0, &n, &at) != 0;
    at = OVERLAPPED{};
    const bool canRead = ReadFile(handle, &none, 0, &n, &at) != 0;
    if (canWrite && canRead) return Access::kReadWrite;
    return canWrite ? Access::kWrite : Access::kRead;
}

int IdentityOf(FileHandle file, FileIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(AsHandle(file), &info)) return LastError();
    identity->device = info.dwVolumeSerialNumber;
    identity->index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return 0;
}

// Opened for no access with every sharing mode, which even a file held exclusively allows.
int IdentityOfName(const char* name, FileIdentity* identity) {
    const HANDLE handle =
        CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return OpenError();
    const int error = IdentityOf(AsFile(handle), identity);
    CloseHandle(handle);
    return error;
}

int CopyMode(FileHandle /*from*/, FileHandle /*to*/) {
    return 0;
}

int Flush(FileHandle file) {
    return FlushFileBuffers(AsHandle(file)) ? 0 : LastError();
}

int RenameOverHeld(const char* from, const char* to, FileHandle* held) {
    if (*held != kInvalidFile) CloseHandle(AsHandle(*held));
    *held = kInvalidFile;
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0
                                                                                     : LastError();
}

int Remove(const char* name) {
    if (name == nullptr) return kErrorInvalid;
    return DeleteFileA(name) ? 0 : OpenError();
}

void FlushFolderOf(const char* /*path*/) {}

// FindFirstFileA over "<folder>\*"; links (reparse points) and folders are never removed.
void RemoveMatchingFiles(const char* folder, bool (*visit)(const char* name, void* context),
                         void* context) {
    char pattern[MAX_PATH];
    const std::size_t length = std::strlen(folder);
    if (length + 3 > sizeof pattern) return;
    std::memcpy(pattern, folder, length);
    std::size_t end = length;
    if (end > 0 && !IsSeparator(pattern[end - 1])) pattern[end++] = '\\';
    pattern[end] = '*';
    pattern[end + 1] = '\0';
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
                0 ||
            !visit(found.cFileName, context)) {
            continue;
        }
        char path[MAX_PATH];
        const std::size_t nameLength = std::strlen(found.cFileName);
        if (end + nameLength + 1 > sizeof path) continue;
        std::memcpy(path, pattern, end);
        std::memcpy(path + end, found.cFileName, nameLength + 1);
        DeleteFileA(path);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace vkt::platform
