#include "cli/field_list.h"

#include "cli/latin1.h"

namespace vkt::cli {
namespace {

std::string TrimBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The number at the start of text: decimal digits, blanks between them skipped; -1 when it
// goes beyond kMaxFieldWidth.
int LeadingNumber(const std::string& text) {
    int number = 0;
    for (const char c : text) {
        if (c == ' ') continue;
        if (c < '0' || c > '9') break;
        number = number * 10 + (c - '0');
        if (number > kMaxFieldWidth) return -1;
    }
    return number;
}

// One record "NAME,WIDTH[,FLAGS]" (trimmed); false with reason when it cannot be read.
bool ParseField(const std::string& record, Field* field, std::string* reason) {
    *field = Field{};
    const std::size_t p1 = record.find(',');
    if (p1 == std::string::npos) {
        *reason = "no comma";
        return false;
    }
    field->name = TrimBlanks(record.substr(0, p1));
    const std::size_t p2 = record.find(',', p1 + 1);
    const std::string widthText = TrimBlanks(
        record.substr(p1 + 1, p2 == std::string::npos ? std::string::npos : p2 - p1 - 1));
    // Any text after the comma is read, a single digit too.
    const int width = LeadingNumber(widthText);
    if (width < 0) {
        *reason = "width above " + std::to_string(kMaxFieldWidth);
        return false;
    }
    field->width = width;
    if (p2 != std::string::npos) {
        for (const char flag : TrimBlanks(record.substr(p2 + 1))) {
            if (flag == 'N') field->numeric = true;
            if (flag == 'M') field->hidden = true;
            if (flag == '0') field->numeric = false;
        }
    }
    return true;
}

}  // namespace

FieldList ParseFieldList(const std::string& answer) {
    FieldList list;
    std::size_t start = 0;
    for (;;) {
        std::string record;
        const std::size_t semicolon = answer.find(';', start);
        if (semicolon != std::string::npos) {
            record = TrimBlanks(answer.substr(start, semicolon - start));
            start = semicolon + 1;
        } else if (start + 1 < answer.size()) {
            // The last record runs to the end; a single character left cannot be a record.
            record = TrimBlanks(answer.substr(start));
            start = answer.size();
        } else {
            return list;
        }
        Field field;
        std::string reason;
        if (!ParseField(record, &field, &reason)) {
            list.unreadRecord = record;
            list.unreadReason = reason;
            return list;
        }
        list.fields.push_back(field);
    }
}

bool FormatAnswer(const Field& field, const std::string& answer, std::string* formatted,
                  std::string* problem) {
    const std::string trimmed = TrimBlanks(answer);
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
    if (width == 0) {
        *formatted = trimmed;
    } else if (field.numeric) {
        *formatted = std::string(width - trimmed.size(), '0') + trimmed;
    } else {
        *formatted = trimmed + std::string(width - trimmed.size(), ' ');
    }
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
