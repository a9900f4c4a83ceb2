// The transfer file: construction, adoption from the session slot, hand-over back to it, and
// closing only a descriptor that is still this file's.
#include "protocol/transfer_file.h"

#include <cstring>

#include "platform/files.h"
#include "runtime/status/status_code.h"
#include "runtime/table/session_slot.h"

namespace vkt::protocol {

namespace {

std::uint32_t KindOf(std::uint32_t kind) {
    return kind == kFormattedFile ? kFormattedFile : kPlainFile;
}

// The slot's name field holds 257 bytes; a name that fills it without a NUL is taken as empty
// rather than read beyond the field.
const char* SlotFileName(const runtime::SessionSlot& slot) {
    const char* name = slot.currentFileName;
    return ::strnlen(name, sizeof slot.currentFileName) < sizeof slot.currentFileName ? name : "";
}

}  // namespace

TransferFile::TransferFile(const char* name, std::int32_t tipo)
    : kind_(tipo == static_cast<std::int32_t>(kFormattedFile) ? kFormattedFile : kPlainFile) {
    file_.emplace(name);
}

TransferFile::TransferFile(int fd, const char* name, std::uint32_t kind, bool locked)
    : kind_(KindOf(kind)) {
    file_.emplace(fd, name, runtime::AccessOfFile(fd), locked);
    RememberIdentity();
    // A descriptor is adopted only when it still names this file: a stale number from the slot
    // may have been reused for another file, which this object must never read or close.
    platform::FileIdentity named;
    if (haveIdentity_ &&
        (platform::IdentityOfName(file_->Name(), &named) != 0 || !(named == identity_)))
        Forget();
}

TransferFile::TransferFile(const runtime::SessionSlot& slot)
    : TransferFile(slot.fileHandle == runtime::kInvalidFileHandle
                       ? runtime::kInvalidFd
                       : static_cast<int>(slot.fileHandle),
                   SlotFileName(slot), slot.fileKind, slot.fileLocked != 0) {}

TransferFile::~TransferFile() {
    if (Fd() != runtime::kInvalidFd && !StillOurs()) Forget();
    // file_ closes the file now unless keep open is set.
}

void TransferFile::RememberIdentity() {
    identity_ = {};
    haveIdentity_ = Fd() != runtime::kInvalidFd && platform::IdentityOf(Fd(), &identity_) == 0;
    if (!haveIdentity_) identity_ = {};
}

bool TransferFile::StillOurs() const {
    platform::FileIdentity now;
    return haveIdentity_ && platform::IdentityOf(Fd(), &now) == 0 && now == identity_;
}

// The descriptor is someone else's now (or nobody's): replace the file object by an unopened
// one of the same name without closing it.
void TransferFile::Forget() {
    char name[sizeof(runtime::SessionSlot::currentFileName)] = {};
    std::strncpy(name, file_->Name(), sizeof name - 1);
    file_->SetKeepOpen(true);
    file_.emplace(name);
    haveIdentity_ = false;
}

std::uint32_t TransferFile::Close() {
    if (Fd() == runtime::kInvalidFd) return 1;
    if (!StillOurs()) {
        Forget();
        return 0;
    }
    return file_->Close();
}

bool TransferFile::IsOpen() {
    if (!file_->IsOpen()) return false;
    if (StillOurs()) return true;
    Forget();
    return false;
}

std::int32_t TransferFile::Measure() {
    std::uint64_t size = 0;
    if (Fd() == runtime::kInvalidFd) return runtime::kFileNotFound;
    if (platform::SizeOf(Fd(), &size) != 0 || size == 0) return runtime::kFileIoError;
    fileSize_ = size;
    return 0;
}

// Header at offset 0 and footer at size - 38; the caller has made sure size >= 76. A short
// read (the file shrank) is a read failure like any other.
std::int32_t TransferFile::ReadRecords(std::uint64_t size) {
    std::uint8_t record[kRecordSize + 1];
    const std::uint32_t offsets[2] = {0, static_cast<std::uint32_t>(size - kRecordSize)};
    std::uint8_t* const targets[2] = {header_, footer_};
    for (int i = 0; i < 2; ++i) {
        std::uint32_t got = 0;
        if (file_->ReadAt(record, offsets[i], kRecordSize, &got) != 0 || got != kRecordSize)
            return runtime::kFileIoError;
        std::memcpy(targets[i], record, kRecordSize);
    }
    return 0;
}

bool TransferFile::WorkOutInternalName() {
    const std::size_t length = kind_ == kFormattedFile
                                   ? InternalNameOfHeader(header_, internalName_)
                                   : InternalNameOfPath(Name(), internalName_);
    return length > 0;
}

std::int32_t TransferFile::Describe() {
    if (const std::int32_t failure = Measure(); failure != 0) return failure;
    if (kind_ == kPlainFile) {
        if (fileSize_ > static_cast<std::uint64_t>(INT32_MAX)) return runtime::kFileIoError;
        dataSize_ = static_cast<std::int32_t>(fileSize_);
    } else {
        if (fileSize_ < kMinFormattedSize || fileSize_ > kMaxFormattedSize)
            return runtime::kFileIoError;
        if (const std::int32_t failure = ReadRecords(fileSize_); failure != 0) return failure;
        dataSize_ = static_cast<std::int32_t>(fileSize_ - kMinFormattedSize);
    }
    WorkOutInternalName();
    return 0;
}

void TransferFile::StoreIn(runtime::SessionSlot& slot) const {
    slot.fileHandle = static_cast<std::uint32_t>(Fd());
    std::memset(slot.currentFileName, 0, sizeof slot.currentFileName);
    std::strncpy(slot.currentFileName, Name(), sizeof slot.currentFileName - 1);
    slot.dataSize = static_cast<std::uint32_t>(dataSize_);
    slot.fileKind = kind_;
    slot.fileLocked = Locked() ? 1 : 0;
}

std::uint32_t TransferFile::HandOver(runtime::SessionSlot& slot) {
    if (Fd() == runtime::kInvalidFd) return 1;
    StoreIn(slot);
    return file_->SetKeepOpen(true);
}

void TransferFile::CloseKept(runtime::SessionSlot& slot) {
    if (slot.fileHandle != runtime::kInvalidFileHandle) {
        TransferFile kept(slot);
        if (kept.IsOpen()) {
            if (kept.Locked()) kept.Unlock();
            kept.Close();
        }
    }
    slot.fileHandle = runtime::kInvalidFileHandle;
    std::memset(slot.currentFileName, 0, sizeof slot.currentFileName);
    slot.dataSize = 0;
    slot.fileKind = kFormattedFile;
    slot.fileLocked = 0;
}

}  // namespace vkt::protocol
