// Files as the library uses them: opened exclusively and locked without waiting, read and
// written whole, measured, identified, renamed over a held file, and the part files of a folder.
//
// A file is named by a FileHandle, a 32-bit value so that it fits the session slot's
// fileHandle field: a descriptor on Linux, the HANDLE value on 32-bit Windows (kInvalidFile is
// -1 on both, which is INVALID_HANDLE_VALUE there). Every call returns 0 or the platform's own
// error number: an errno value on Linux, a GetLastError() value on Windows. Callers compare
// them only with the named errors below, and report them as the catalogue's file codes.
//
// Where the platforms differ:
//   exclusive open  Linux: open() plus an exclusive flock() taken without waiting, refused too
//                   while another open file holds a conflicting fcntl/lockf/OFD record lock
//                   (kErrorHeld, EWOULDBLOCK). Windows: CreateFile with no sharing, so a file
//                   another process has open cannot be opened and vice versa (kErrorHeld,
//                   ERROR_SHARING_VIOLATION or ERROR_LOCK_VIOLATION).
//   record lock     Linux: an open-file-description lock over the whole file, growth included,
//                   which travels with a handed-over descriptor. Windows: LockFileEx over the
//                   largest range, shared for read access and exclusive otherwise, with
//                   LOCKFILE_FAIL_IMMEDIATELY.
//   identity        Linux: device and inode. Windows: volume serial number and file index.
//   separators      Linux: "/" only. Windows: "\" and "/" both.
//
// Threads: every call is safe from any thread; a handle is used by one thread at a time.
#pragma once

#include <cstdint>

namespace vkt::platform {

using FileHandle = int;
constexpr FileHandle kInvalidFile = -1;

enum class Access { kRead, kWrite, kReadWrite };

enum class Disposition {
    kOpenExisting,  // fails when absent
    kOpenAlways,    // opens, or creates when absent
    kCreateNew,     // fails when present
};

// The errors callers tell apart.
extern const int kErrorNotFound;     // no such file
extern const int kErrorHeld;         // another open file holds it (sharing or lock)
extern const int kErrorIsDirectory;  // the name is a folder
extern const int kErrorNotRegular;   // a device, FIFO or other non-regular file
extern const int kErrorNameTooLong;  // a name that does not fit
extern const int kErrorInvalid;      // a bad argument

// Opens name with no sharing, never waiting: only regular files (kErrorIsDirectory,
// kErrorNotRegular), never blocking on a FIFO. New files get the default permissions of a
// user's file (0666 less the umask on Linux). Returns 0 with *file set, or an error with
// nothing left open.
int OpenExclusive(const char* name, Access access, Disposition disposition, FileHandle* file);
int CloseFile(FileHandle file);

// Record lock over the whole file without waiting: shared (true) or exclusive; and its release.
int LockWhole(FileHandle file, bool shared);
int UnlockWhole(FileHandle file);

// Reads up to count bytes at offset, repeating short reads until count or the end of the file;
// the file's position is left as it was on Linux. *got: the bytes read.
int ReadAt(FileHandle file, void* buffer, std::uint32_t count, std::uint64_t offset,
           std::uint32_t* got);
// Reads up to count bytes at the file's position (one call; *got 0 at the end of the file).
int ReadNext(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* got);
// Writes all length bytes at the end of the file.
int Append(FileHandle file, const void* data, std::uint32_t length);
int Truncate(FileHandle file);  // to 0 bytes
int SizeOf(FileHandle file, std::uint64_t* size);
// The access the file was opened with (read when it cannot be told).
Access AccessOf(FileHandle file);

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};
int IdentityOf(FileHandle file, FileIdentity* identity);
int IdentityOfName(const char* name, FileIdentity* identity);

// Gives to the permission bits of from (Linux; nothing on Windows, where the new file keeps
// the attributes it was created with).
int CopyMode(FileHandle from, FileHandle to);
// Writes the file's data through to disk.
int Flush(FileHandle file);
// Replaces the file to by from in one step. *held is the caller's exclusive handle of to (or
// kInvalidFile when to does not exist); it keeps other programs away from to until the name
// passes, and is closed and set to kInvalidFile: after the rename on Linux, just before it on
// Windows (MoveFileEx with MOVEFILE_REPLACE_EXISTING cannot replace a file open without
// delete sharing).
int RenameOverHeld(const char* from, const char* to, FileHandle* held);
// Deletes name. Linux: a process holding the file keeps its data until it closes. Windows: a
// file open without delete sharing (any file the library holds) cannot be deleted.
int Remove(const char* name);
// Flushes the folder's entries (a rename) to disk on Linux; nothing on Windows, where the file
// system's journal records the rename. Failures are ignored.
void FlushFolderOf(const char* path);

// Calls visit(name, context) for each regular file (never a symbolic link) in folder, and
// removes those for which it returns true. A folder that cannot be listed is skipped.
void RemoveMatchingFiles(const char* folder, bool (*visit)(const char* name, void* context),
                         void* context);

// True for "/" and, on Windows, also for "\".
bool IsSeparator(char c);

}  // namespace vkt::platform
