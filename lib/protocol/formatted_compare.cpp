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

// Read as atoi reads it, as the files institutions produce have always been read: leading
// blanks (a right-aligned count), the digits, then only blanks or NUL bytes to the end of the
// field (a left-aligned count). A field with no digit, a sign, or any other character after
// the digits ("00000001x") is no count at all.
std::int64_t RecordCountField(const std::uint8_t* record) {
    const std::uint8_t* field = record + kCountOffset;
    const auto blank = [](std::uint8_t c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    std::size_t i = 0;
    while (i < kCountWidth && blank(field[i])) ++i;
    const std::size_t digitsStart = i;
    std::int64_t value = 0;
    for (; i < kCountWidth && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
    }
    if (i == digitsStart) return -1;
    for (; i < kCountWidth; ++i) {
        if (!blank(field[i]) && field[i] != '\0') return -1;
    }
    return value;
}

}  // namespace vkt::protocol
