// The answers given on the command line (--field NAME=VALUE) matched to the server's fields.
#pragma once

#include <string>
#include <vector>

#include "cli/field_list.h"

namespace vkt::cli {

struct GivenValue {
    std::string name;   // Latin-1
    std::string value;  // Latin-1
};

struct MatchedValues {
    std::vector<std::string> answers;  // one per field, empty when none was given
    std::vector<Field> missing;        // fields without a value (or with only blanks)
    std::vector<std::string> unused;   // given names that no field has
};

// A value belongs to the field of the same name; when no name is equal, one that differs only
// in the case of its letters counts. A name given twice keeps its last value.
MatchedValues MatchFieldValues(const std::vector<Field>& fields,
                               const std::vector<GivenValue>& given);

}  // namespace vkt::cli
