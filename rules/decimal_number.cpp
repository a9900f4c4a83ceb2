#include "rules/decimal_number.h"

namespace vkt::rules {

std::string TrimBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

NumberRead ReadInt32(const std::string& text, std::int32_t* value) {
    const std::string trimmed = TrimBlanks(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed[i] == '+' || trimmed[i] == '-')) {
        negative = trimmed[i++] == '-';
    }
    if (i == trimmed.size()) return NumberRead::kNotANumber;
    std::int64_t number = 0;
    // Read left to right: the first character that breaks the rule decides the result.
    for (; i < trimmed.size(); ++i) {
        if (trimmed[i] < '0' || trimmed[i] > '9') return NumberRead::kNotANumber;
        number = number * 10 + (trimmed[i] - '0');
        if (number > 2147483648LL) return NumberRead::kOutOfRange;
    }
    if (negative) number = -number;
    if (number > 2147483647LL) return NumberRead::kOutOfRange;
    *value = static_cast<std::int32_t>(number);
    return NumberRead::kOk;
}

}  // namespace vkt::rules
