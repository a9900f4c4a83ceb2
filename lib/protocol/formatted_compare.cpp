// Header and footer of a formatted record file: the field-by-field comparison and the count.
#include <cstring>

#include "protocol/formatted_record.h"

namespace vkt::protocol {

namespace {

// Text comparison up to width bytes or the first NUL (the fields are fixed-width text that a
// writer may have ended early with a NUL).
bool SameField(const std::uint8_t* header, const std::uint8_t* footer, std::size_t offset,
               std::size_t width) {
    return std::strncmp(reinterpret_cast<const char*>(header + offset),
                        reinterpret_cast<const char*>(footer + offset), width) == 0;
}

bool FieldIs(const std::uint8_t* record, std::size_t offset, const char* text) {
    return std::strncmp(reinterpret_cast<const char*>(record + offset), text, std::strlen(text)) ==
           0;
}

bool EndsRecord(const std::uint8_t* record) {
    return record[kRecordEndOffset] == '\r' && record[kRecordEndOffset + 1] == '\n';
}

bool IsFileType(std::uint8_t type) {
    return type == 'A' || type == 'B';
}

}  // namespace

std::int32_t CompareHeaderFooter(const std::uint8_t* header, const std::uint8_t* footer) {
    if (!EndsRecord(header) || !EndsRecord(footer)) return kFormatNoCrLf;
    if (!FieldIs(header, kRecordTypeOffset, "00") || !FieldIs(footer, kRecordTypeOffset, "99"))
        return kFormatRecordType;
    if (!IsFileType(header[kFileTypeOffset]) || header[kFileTypeOffset] != footer[kFileTypeOffset])
        return kFormatFileTypeMismatch;
    if (!SameField(header, footer, kNameOffset, kNameWidth)) return kFormatNameMismatch;
    if (!SameField(header, footer, kDateOffset, kDateWidth) ||
        !SameField(header, footer, kTimeOffset, kTimeWidth))
        return kFormatStampMismatch;
    if (!SameField(header, footer, kCountOffset, kCountWidth)) return kFormatCountMismatch;
    return 0;
}

// Strict: a count with blanks, a sign or any other character is no count at all (a lenient
// reading would take "00000001x" for 1).
std::int64_t RecordCountField(const std::uint8_t* record) {
    std::int64_t value = 0;
    for (std::size_t i = 0; i < kCountWidth; ++i) {
        const std::uint8_t digit = record[kCountOffset + i];
        if (digit < '0' || digit > '9') return -1;
        value = value * 10 + (digit - '0');
    }
    return value;
}

}  // namespace vkt::protocol
