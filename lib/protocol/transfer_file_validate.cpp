// Validating a transfer file: open and lock, then the checks of its kind.
#include <cstdint>

#include "protocol/transfer_file.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {

// The record lock is checked, not assumed: a failure means another program holds a lock on
// the file, which is then as unavailable as a file it holds open.
std::int32_t TransferFile::OpenAndLock() {
    if (file_->Open() != 0) return runtime::kFileNotFound;
    RememberIdentity();
    if (file_->Lock() != 0) {
        Close();
        return runtime::kFileNotFound;
    }
    return 0;
}

// Sizes are taken in 64 bits: the low 32 bits of a 4 GiB + 100-byte file would pass for 100.
// A plain file's data size is a signed 32-bit number, so a plain file beyond 2 GiB - 1 cannot
// be sent (40051). An empty internal name (a header whose name field starts with a space, a
// plain file named ".datos") names nothing on the server: 40207, the code of a name that
// cannot be worked out.
std::int32_t TransferFile::Validate() {
    if (Fd() == runtime::kInvalidFd) {
        if (const std::int32_t failure = OpenAndLock(); failure != 0) return failure;
    }
    if (const std::int32_t failure = Measure(); failure != 0) return failure;
    if (kind_ == kPlainFile) {
        if (fileSize_ > static_cast<std::uint64_t>(INT32_MAX)) return runtime::kFileIoError;
        dataSize_ = static_cast<std::int32_t>(fileSize_);
        return WorkOutInternalName() ? 0 : kFormatFileType;
    }
    return CheckFormatted();
}

// A file shorter than header and footer together would have them overlap and a negative data
// size: it holds fewer than two records (40206). The count of type "A" is that of the CR LF
// pairs of the whole file less header and footer; a last body record without its CR LF is not
// counted, and the file is accepted when the count says so.
std::int32_t TransferFile::CheckFormatted() {
    if (fileSize_ > kMaxFormattedSize) return kFormatTooLarge;
    if (fileSize_ < kMinFormattedSize) return kFormatRecordCount;
    dataSize_ = static_cast<std::int32_t>(fileSize_ - kMinFormattedSize);
    if (const std::int32_t failure = ReadRecords(fileSize_); failure != 0) return failure;
    if (const std::int32_t difference = CompareHeaderFooter(header_, footer_); difference != 0)
        return difference;
    if (!WorkOutInternalName()) return kFormatFileType;

    const std::int64_t declared = RecordCountField(header_);
    if (declared < 0) return kFormatRecordCount;
    switch (header_[kFileTypeOffset]) {
        case 'A': {
            std::uint64_t pairs = 0;
            if (const std::int32_t failure = CountRecordEnds(*file_, &pairs); failure != 0)
                return failure;
            return pairs >= 2 && pairs - 2 == static_cast<std::uint64_t>(declared)
                       ? 0
                       : kFormatRecordCount;
        }
        case 'B':
            return declared == dataSize_ ? 0 : kFormatRecordCount;
        default:  // CompareHeaderFooter lets only "A" and "B" through
            return kFormatFileType;
    }
}

}  // namespace vkt::protocol
