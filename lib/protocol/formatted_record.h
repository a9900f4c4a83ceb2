// Formatted record files: the header and footer records and how they are checked.
//
// A formatted record file is a sequence of records, each ending in CR LF. The first record is
// the header, the last the footer, both exactly 38 bytes including their CR LF; the records in
// between are the body, the bytes that are transmitted (offsets 38 .. size - 39). Header and
// footer share one layout:
//
//   offset  width  field          header                footer
//   0       2      record type    "00"                  "99"
//   2       1      file type      "A" or "B"            same as header
//   3       10     internal name  ASCII, space-padded   same as header
//   13      8      date           any 8 characters      same as header
//   21      6      time           any 6 characters      same as header
//   27      9      count          decimal digits        same as header
//   36      2      record end     CR LF                 CR LF
//
// The count of type "A" is the number of body records, that of type "B" the number of body
// bytes. The whole file is at most 8,388,608 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vkt::runtime {
class FileObject;
}

namespace vkt::protocol {

// Codes of the format checks (texts in the catalogue).
enum : std::int32_t {
    kFormatNoCrLf = 40200,            // header or footer without CR LF at 36
    kFormatRecordType = 40201,        // record types not "00" and "99"
    kFormatFileTypeMismatch = 40202,  // file types differ or are not "A"/"B"
    kFormatNameMismatch = 40203,      // internal names differ
    kFormatStampMismatch = 40204,     // dates or times differ
    kFormatCountMismatch = 40205,     // count fields differ
    kFormatRecordCount = 40206,       // count does not match the records (A) or bytes (B)
    kFormatFileType = 40207,          // file type other than "A"/"B"; no internal name
    kFormatTooLarge = 40208,          // file larger than 8,388,608 bytes
};

constexpr std::uint32_t kRecordSize = 38;
constexpr std::uint64_t kMaxFormattedSize = 8388608;
// Header and footer: the smallest formatted file.
constexpr std::uint64_t kMinFormattedSize = 2 * kRecordSize;
// The record count reads the file in pieces of this size.
constexpr std::uint32_t kCountPieceSize = 8192;

constexpr std::size_t kRecordTypeOffset = 0, kRecordTypeWidth = 2;
constexpr std::size_t kFileTypeOffset = 2, kFileTypeWidth = 1;
constexpr std::size_t kNameOffset = 3, kNameWidth = 10;
constexpr std::size_t kDateOffset = 13, kDateWidth = 8;
constexpr std::size_t kTimeOffset = 21, kTimeWidth = 6;
constexpr std::size_t kCountOffset = 27, kCountWidth = 9;
constexpr std::size_t kRecordEndOffset = 36;

// Compares header and footer in this order, returning the first difference's code or 0:
// CR LF at 36 in both (40200), record types "00" / "99" (40201), file types both "A" or both
// "B" (40202), names (40203), date then time (40204), counts (40205). Fields are compared as
// text up to their width or a NUL byte, whichever comes first.
std::int32_t CompareHeaderFooter(const std::uint8_t* header, const std::uint8_t* footer);

// The count field read as a number: its digits, with blanks before them and blanks or NULs
// after them; -1 when it holds no digit or anything else.
std::int64_t RecordCountField(const std::uint8_t* record);

// Counts the CR LF pairs of the whole open file, reading it from offset 0 in pieces of 8,192
// bytes. A pair split between two pieces is counted once; NUL bytes are data like any other.
// 0 with *pairs set, or 40051 when a read fails.
std::int32_t CountRecordEnds(runtime::FileObject& file, std::uint64_t* pairs);

}  // namespace vkt::protocol
