// Counting the records of a formatted file: the CR LF pairs of the whole file.
#include <cstring>

#include "protocol/formatted_record.h"
#include "runtime/file/file_object.h"
#include "runtime/status/status_code.h"

namespace vkt::protocol {

// Reads consecutive pieces of 8,192 bytes; a piece that ends in CR carries that CR over to the
// next piece's first byte, so a pair split at a piece boundary is counted exactly once and a
// lone CR at the end of the file is no pair. Every byte is searched, NUL bytes included:
// stopping at a NUL would hide the records behind it from the count.
std::int32_t CountRecordEnds(runtime::FileObject& file, std::uint64_t* pairs) {
    std::uint8_t piece[kCountPieceSize + 1];  // ReadAt puts a NUL after the data
    std::uint64_t offset = 0;
    std::uint64_t count = 0;
    bool previousWasCr = false;
    for (;;) {
        std::uint32_t got = 0;
        if (offset > UINT32_MAX ||
            file.ReadAt(piece, static_cast<std::uint32_t>(offset), kCountPieceSize, &got) != 0)
            return runtime::kFileIoError;
        if (got == 0) break;
        if (previousWasCr && piece[0] == '\n') ++count;
        const std::uint8_t* cursor = piece;
        const std::uint8_t* const end = piece + got;
        while (cursor < end) {
            const void* found = std::memchr(cursor, '\r', static_cast<std::size_t>(end - cursor));
            if (found == nullptr) break;
            const std::uint8_t* cr = static_cast<const std::uint8_t*>(found);
            if (cr + 1 < end && cr[1] == '\n') ++count;
            cursor = cr + 1;
        }
        previousWasCr = piece[got - 1] == '\r';
        offset += got;
    }
    *pairs = count;
    return 0;
}

}  // namespace vkt::protocol
