#include "cli/field_values.h"

#include <cstdint>

namespace vkt::cli {
namespace {

// Lower case of a Latin-1 letter (A-Z and U+00C0..U+00DE except U+00D7).
char FoldCase(char c) {
    const auto byte = static_cast<std::uint8_t>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7)) {
        return static_cast<char>(byte + 0x20);
    }
    return c;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

// Index into given of the value for name: the last exact match, else the last match ignoring
// case; -1 when there is none.
long FindValue(const std::vector<GivenValue>& given, const std::string& name) {
    long exact = -1;
    long folded = -1;
    for (std::size_t i = 0; i < given.size(); ++i) {
        if (given[i].name == name) exact = static_cast<long>(i);
        if (SameIgnoringCase(given[i].name, name)) folded = static_cast<long>(i);
    }
    return exact >= 0 ? exact : folded;
}

}  // namespace

MatchedValues MatchFieldValues(const std::vector<Field>& fields,
                               const std::vector<GivenValue>& given) {
    MatchedValues matched;
    std::vector<bool> used(given.size(), false);
    for (const Field& field : fields) {
        const long at = FindValue(given, field.name);
        std::string answer;
        if (at >= 0) {
            answer = given[static_cast<std::size_t>(at)].value;
            // Every value of that name counts as used, earlier repeats too.
            for (std::size_t i = 0; i < given.size(); ++i) {
                if (SameIgnoringCase(given[i].name, given[static_cast<std::size_t>(at)].name)) {
                    used[i] = true;
                }
            }
        }
        if (IsBlank(answer)) matched.missing.push_back(field);
        matched.answers.push_back(answer);
    }
    for (std::size_t i = 0; i < given.size(); ++i) {
        if (!used[i]) matched.unused.push_back(given[i].name);
    }
    return matched;
}

}  // namespace vkt::cli
