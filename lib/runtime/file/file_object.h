// A file held open for the whole of a transfer, exclusively and locked, so no other process
// can change it between the check, the signature and the last block sent.
//
// The file (a descriptor on Linux, a handle on Windows: platform/files.h) is opened, existing
// files only, exclusively and without waiting, so another process using the library cannot
// open it meanwhile and the library cannot open a file another process holds (on Linux an
// exclusive flock, and a conflicting fcntl/lockf record lock of another program refuses it
// too). Lock() adds a record lock over the whole file (read lock on a read-only file, write
// lock otherwise), also without waiting. The file can be handed over to the session slot
// (SetKeepOpen) and adopted later by a new object.
//
// Only regular files are opened (platform::kErrorIsDirectory for a folder, kErrorNotRegular
// for a FIFO or device; a FIFO never blocks the open). Descriptors are not inherited by child
// programs. A name longer than 253 bytes is refused with kErrorNameTooLong rather than cut to a
// different path. Errors are the platform's numbers (errno on Linux).
#pragma once

#include <cstdint>

namespace vkt::runtime {

constexpr int kInvalidFd = -1;

enum FileAccess : std::uint32_t {
    kAccessRead = 1,
    kAccessWrite = 2,
    kAccessReadWrite = 3,
};

class FileObject {
  public:
    explicit FileObject(const char* name);
    // Adopts an open descriptor (from the slot's fileHandle and fileLocked).
    FileObject(int fd, const char* name, FileAccess access, bool locked);
    ~FileObject();  // Close() unless keepOpen
    FileObject(const FileObject&) = delete;
    FileObject& operator=(const FileObject&) = delete;

    std::uint32_t Open();   // 0; 1 when already open; else the error (callers report 40050)
    std::uint32_t Close();  // 0; 1 when not open; keepOpen: 0 and nothing else
    // Reads up to count bytes at offset and puts a NUL after them (buffer holds count + 1).
    std::uint32_t ReadAt(void* buffer, std::uint32_t offset, std::uint32_t count,
                         std::uint32_t* bytesRead);
    std::uint32_t Lock();                  // 0; 1 when already locked or not open; else the error
    std::uint32_t Unlock();                // 0; 1 when not locked or not open; else the error
    std::uint32_t SetKeepOpen(bool keep);  // 0; 1 when not open
    // False when not open, or when the descriptor no longer refers to this file: closed behind
    // the object's back, or its number reused for another file (device and inode differ from
    // those of the name). The object then marks itself not open without closing the
    // descriptor, which may belong to someone else now.
    bool IsOpen();

    int Fd() const { return fd_; }
    bool Locked() const { return locked_ != 0; }
    FileAccess Access() const { return access_; }
    void SetAccess(FileAccess access) { access_ = access; }
    const char* Name() const { return name_; }

  private:
    int fd_ = kInvalidFd;
    std::uint32_t locked_ = 0;
    FileAccess access_ = kAccessRead;
    std::uint32_t keepOpen_ = 0;
    std::uint32_t lockOffset_ = 0;
    std::uint32_t lockLength_ = 0;
    char name_[254] = {};
    bool nameTooLong_ = false;  // the name did not fit name_: Open() refuses it
};

// The access an open file was opened with (read when it cannot be told).
FileAccess AccessOfFile(int fd);

// File helpers: status codes of the catalogue.
enum FileDisposition : std::uint32_t {
    kCreateAlways = 1,  // create or truncate
    kOpenExisting = 2,
    kCreateNew = 3,   // fail when it exists
    kOpenAlways = 4,  // open or create
};
// Opens with no sharing, without waiting; 0 or 40050.
std::int32_t OpenFileFor(const char* name, FileAccess access, FileDisposition disposition, int* fd);
std::int32_t RemoveFile(const char* name);                                  // 0 or 40051
std::int32_t AppendToFile(int fd, const void* data, std::uint32_t length);  // 0 or 40051

}  // namespace vkt::runtime
