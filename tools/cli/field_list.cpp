#include "cli/field_list.h"

#include "rules/decimal_number.h"
#include "rules/latin1.h"

namespace vkt::cli {

using rules::Latin1ToUtf8;

bool FormatAnswer(const Field& field, const std::string& answer, std::string* formatted,
                  std::string* problem) {
    const std::string trimmed = rules::TrimBlanks(answer);
    const auto width = static_cast<std::size_t>(field.width);
    if (trimmed.empty()) {
        *problem = "no value";
        return false;
    }
    if (field.numeric && trimmed.find_first_not_of("0123456789") != std::string::npos) {
        *problem = "digits only";
        return false;
    }
    if (width > 0 && trimmed.size() > width) {
        *problem = "at most " + std::to_string(width) + (field.numeric ? " digits" : " characters");
        return false;
    }
    *formatted = rules::FormatAnswer(field, trimmed);
    return true;
}

bool FormatOutput(const std::vector<Field>& fields, const std::vector<std::string>& answers,
                  std::string* output, std::string* problem) {
    std::string text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::string formatted;
        std::string why;
        const std::string answer = i < answers.size() ? answers[i] : std::string();
        if (!FormatAnswer(fields[i], answer, &formatted, &why)) {
            *problem = Latin1ToUtf8(fields[i].name) + ": " + why;
            return false;
        }
        text += formatted;
    }
    if (text.size() > kMaxAdditionalText) {
        *problem = "the answers take " + std::to_string(text.size()) + " bytes, more than the " +
                   std::to_string(kMaxAdditionalText) + " a send carries";
        return false;
    }
    *output = text;
    return true;
}

std::string DescribeField(const Field& field) {
    std::string text = Latin1ToUtf8(field.name) + " (" + (field.numeric ? "digits" : "text");
    if (field.width > 0) text += ", up to " + std::to_string(field.width);
    if (field.hidden) text += ", secret";
    return text + ")";
}

}  // namespace vkt::cli
