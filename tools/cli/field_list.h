// The answers the command line gives for the server's field list (rules/field_list.h): checked
// against their fields before they are formatted, and the fields as the user is told about them.
#pragma once

#include <string>
#include <vector>

#include "rules/field_list.h"

namespace vkt::cli {

using rules::Field;
using rules::FieldList;
using rules::ParseFieldList;

// The longest additional text a send carries; the library cuts anything longer.
constexpr std::size_t kMaxAdditionalText = 2048;

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
