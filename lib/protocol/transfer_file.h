// The transfer file: the file a send or a verify works on, held open exclusively and locked
// through a FileObject, with what the protocol needs to know about it - kind, size, the bytes to
// transmit, the name under which the server knows it - and the checks of a formatted record
// file (formatted_record.h).
//
//   kind 1 formatted record file: data = body, offset 38, file size - 76 bytes; internal name =
//          the header's name field cut at its first space, lowercase, at most 10 characters
//   kind 2 plain file: data = the whole file, offset 0; internal name = the base name of the
//          path ("/" and "\" both separate) cut at its first ".", lowercase
//
// The object may hand its descriptor over to the session slot (HandOver) so that the file stays
// open and locked between operations; a later object adopts it from the slot. A descriptor that
// was closed behind the object's back (a release of the session closes the kept file) is never
// closed a second time: the object remembers the identity of the file it opened or adopted and
// closes the descriptor only while it still refers to them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/files.h"
#include "protocol/formatted_record.h"
#include "runtime/file/file_object.h"

namespace vkt::runtime {
struct SessionSlot;
}

namespace vkt::protocol {

enum : std::uint32_t {
    kFormattedFile = 1,
    kPlainFile = 2,
};

// Longest internal name: a base name within a 253-byte path.
constexpr std::size_t kMaxInternalName = 253;

class TransferFile {
  public:
    // A file not yet open. The kind follows the operations' parameter: 1 is a formatted record
    // file, any other value a plain file.
    TransferFile(const char* name, std::int32_t tipo);
    // Adopts a descriptor opened earlier (the slot's fileHandle, currentFileName, fileKind,
    // fileLocked); the access is read from the descriptor. A descriptor that no longer refers
    // to the named file is not adopted (the object is then not open). Describe() fills in what
    // the object knows about the file.
    TransferFile(int fd, const char* name, std::uint32_t kind, bool locked);
    explicit TransferFile(const runtime::SessionSlot& slot);
    ~TransferFile();
    TransferFile(const TransferFile&) = delete;
    TransferFile& operator=(const TransferFile&) = delete;

    // Opens and locks the file if needed, then checks it by kind. 0, 40050 (cannot be opened
    // or is held by another program), 40051 (size unreadable or 0, read failure, plain file
    // beyond 2 GiB - 1), 40200 .. 40208 (formatted file checks).
    std::int32_t Validate();
    // For an adopted file: reads the size and the header and footer and works out the internal
    // name and the data size, without checking the format (the file was validated when it was
    // opened). 0, 40050 when not open, 40051 on a read failure.
    std::int32_t Describe();

    // The name the server knows the file by; "" when it has none.
    const char* InternalName() const { return internalName_; }
    std::int32_t GetDataSize() const { return dataSize_; }
    std::uint32_t DataOffset() const { return kind_ == kFormattedFile ? kRecordSize : 0; }
    std::uint32_t Kind() const { return kind_; }
    const std::uint8_t* HeaderRecord() const { return header_; }
    const std::uint8_t* FooterRecord() const { return footer_; }

    // The file object's operations. Close closes and unlocks the file (unless keep open is set)
    // when the descriptor is still this file's; a descriptor closed or reused behind the
    // object's back is only forgotten, and so it is by IsOpen.
    std::uint32_t Close();
    bool IsOpen();
    std::uint32_t SetKeepOpen(bool keep) { return file_->SetKeepOpen(keep); }
    std::uint32_t ReadAt(void* buffer, std::uint32_t offset, std::uint32_t count,
                         std::uint32_t* bytesRead) {
        return file_->ReadAt(buffer, offset, count, bytesRead);
    }
    std::uint32_t Unlock() { return file_->Unlock(); }
    int Fd() const { return file_->Fd(); }
    bool Locked() const { return file_->Locked(); }
    const char* Name() const { return file_->Name(); }
    runtime::FileObject& File() { return *file_; }

    // Records the open file in the slot: fileHandle, currentFileName (the path), dataSize,
    // fileKind, fileLocked. The caller holds the table lock. The object still owns the file.
    void StoreIn(runtime::SessionSlot& slot) const;
    // StoreIn, then keep open: the slot owns the file from now on and the object leaves it open
    // when destroyed. 0, or 1 when the object holds no open file (nothing stored).
    std::uint32_t HandOver(runtime::SessionSlot& slot);
    // Closes and unlocks the file the slot keeps, if any, and clears the slot's file fields:
    // fileHandle invalid, currentFileName empty, dataSize 0, fileKind 1, fileLocked 0.
    static void CloseKept(runtime::SessionSlot& slot);

  private:
    std::int32_t OpenAndLock();
    std::int32_t Measure();
    void RememberIdentity();
    bool StillOurs() const;
    void Forget();
    std::int32_t ReadRecords(std::uint64_t size);
    std::int32_t CheckFormatted();
    bool WorkOutInternalName();

    std::optional<runtime::FileObject> file_;  // always engaged; re-made by Forget()
    std::uint32_t kind_;
    std::int32_t dataSize_ = 0;
    std::uint64_t fileSize_ = 0;
    std::uint8_t header_[kRecordSize] = {};
    std::uint8_t footer_[kRecordSize] = {};
    char internalName_[kMaxInternalName + 1] = {};
    bool haveIdentity_ = false;
    platform::FileIdentity identity_;
};

// Internal names, exposed for the operations and the tests. Both return the name's length
// (0 when none) and write it with a NUL into out, which holds kMaxInternalName + 1 bytes.
// From a path: the part after the last "/" or "\", cut at its first ".", ASCII letters in
// lowercase.
std::size_t InternalNameOfPath(const char* path, char* out);
// From a header record: the 10 name characters cut at the first space or NUL, lowercase.
std::size_t InternalNameOfHeader(const std::uint8_t* header, char* out);

}  // namespace vkt::protocol
