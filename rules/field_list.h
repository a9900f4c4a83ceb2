// The additional information of a send. The server answers a verify with a field list; the
// client asks for one answer per field and sends the answers, each formatted to its width, as
// the additional text of the send.
//
// Field list (8-bit text, Latin-1): records separated by ";" (the last needs none), each
//
//   NAME "," WIDTH [ "," FLAGS ]
//
// NAME is trimmed of blanks. WIDTH is the number at the start of its trimmed text (blanks
// between the digits are skipped; no number reads as 0, which means "no limit"). Each FLAGS
// character counts on its own, left to right: "N" makes the field numeric, "0" makes it text
// again, "M" marks its input as secret; others are ignored. The last record runs to the end
// of the list; a single character left after the last ";" is no record. Reading stops at the
// first record without a comma or with a width above 32767; the fields read before it stay.
//
// Answer text: the answers in field order with no separators. A numeric answer is its digits
// with leading zeros to WIDTH digits ("125", width 8: "00000125"); a text answer is trimmed and
// padded with blanks on the right to WIDTH characters ("Pago", width 12: "Pago" and 8 blanks).
// With width 0 the trimmed answer goes as it is. An answer longer than its width is never cut.
#pragma once

#include <string>
#include <vector>

namespace vkt::rules {

constexpr int kMaxFieldWidth = 32767;

struct Field {
    std::string name;  // as the list holds it (Latin-1)
    int width = 0;     // 0: no limit
    bool numeric = false;
    bool hidden = false;

    bool operator==(const Field&) const = default;
};

struct FieldList {
    enum class Stop {
        kEnd,            // the whole list was read
        kNoComma,        // a record without ","
        kWidthTooLarge,  // a width above kMaxFieldWidth
    };

    std::vector<Field> fields;
    Stop stop = Stop::kEnd;
    // Set when reading stopped at a record that cannot be read: the record, and why.
    std::string unreadRecord;
    std::string unreadReason;
};

FieldList ParseFieldList(const std::string& list);

// The answer formatted to its field as described above (Latin-1 in and out).
std::string FormatAnswer(const Field& field, const std::string& answer);

}  // namespace vkt::rules
