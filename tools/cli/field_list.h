// The additional information of a send. The server answers a verify with a field list; the
// client fills in one answer per field and sends the answers, each formatted to its width, as
// the additional text of the send.
//
// Field list (Latin-1): records separated by ";" (the last needs none), each
//
//   NAME "," WIDTH [ "," FLAGS ]
//
// NAME is trimmed of blanks. WIDTH is the number at the start of its text (blanks between the
// digits are skipped; no number reads as 0, which means "no limit"). Each FLAGS character counts
// on its own, left to right: "N" makes the field numeric, "0" makes it text again, "M" marks
// its input as secret; others are ignored. Reading stops at the first record without a comma or
// with a width above 32767; the fields read before it stay.
//
// Answer text: the answers in field order with no separators. A numeric answer is its digits
// with leading zeros to WIDTH digits ("125", width 8: "00000125"); a text answer is trimmed and
// padded with blanks on the right to WIDTH characters ("Pago", width 12: "Pago" and 8 blanks).
// With width 0 the trimmed answer goes as it is.
#pragma once

#include <string>
#include <vector>

namespace vkt::cli {

// The longest additional text a send carries; the library cuts anything longer.
constexpr std::size_t kMaxAdditionalText = 2048;
constexpr int kMaxFieldWidth = 32767;

struct Field {
    std::string name;  // Latin-1
    int width = 0;     // 0: no limit
    bool numeric = false;
    bool hidden = false;

    bool operator==(const Field&) const = default;
};

struct FieldList {
    std::vector<Field> fields;
    // Set when reading stopped at a record that cannot be read: the record, and why.
    std::string unreadRecord;
    std::string unreadReason;
};

FieldList ParseFieldList(const std::string& answer);

// One answer formatted to its field. false, with problem set, when the answer is blank, when a
// numeric answer holds anything but digits, or when it is longer than the width (an answer
// is never cut).
bool FormatAnswer(const Field& field, const std::string& answer, std::string* formatted,
                  std::string* problem);

// The answer text of all fields; answers[i] belongs to fields[i] (Latin-1). false, with
// problem naming the field, when an answer cannot be formatted or the text would exceed
// kMaxAdditionalText bytes.
bool FormatOutput(const std::vector<Field>& fields, const std::vector<std::string>& answers,
                  std::string* output, std::string* problem);

// "Importe (digits, up to 8)" - a field as the user is told about it (UTF-8).
std::string DescribeField(const Field& field);

}  // namespace vkt::cli
