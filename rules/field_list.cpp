#include "rules/field_list.h"

#include "rules/decimal_number.h"

namespace vkt::rules {
namespace {

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

// One record "NAME,WIDTH[,FLAGS]" (trimmed); the reason reading stops at it, or kEnd.
FieldList::Stop ParseField(const std::string& record, Field* field) {
    *field = Field{};
    const std::size_t p1 = record.find(',');
    if (p1 == std::string::npos) return FieldList::Stop::kNoComma;
    field->name = TrimBlanks(record.substr(0, p1));
    const std::size_t p2 = record.find(',', p1 + 1);
    const std::string widthText = TrimBlanks(
        record.substr(p1 + 1, p2 == std::string::npos ? std::string::npos : p2 - p1 - 1));
    // Any text after the comma is read, a single digit too.
    const int width = LeadingNumber(widthText);
    if (width < 0) return FieldList::Stop::kWidthTooLarge;
    field->width = width;
    if (p2 != std::string::npos) {
        for (const char flag : TrimBlanks(record.substr(p2 + 1))) {
            if (flag == 'N') field->numeric = true;
            if (flag == 'M') field->hidden = true;
            if (flag == '0') field->numeric = false;
        }
    }
    return FieldList::Stop::kEnd;
}

}  // namespace

FieldList ParseFieldList(const std::string& list) {
    FieldList parsed;
    std::size_t start = 0;
    for (;;) {
        std::string record;
        const std::size_t semicolon = list.find(';', start);
        if (semicolon != std::string::npos) {
            record = TrimBlanks(list.substr(start, semicolon - start));
            start = semicolon + 1;
        } else if (start + 1 < list.size()) {
            record = TrimBlanks(list.substr(start));
            start = list.size();
        } else {
            return parsed;
        }
        Field field;
        const FieldList::Stop stop = ParseField(record, &field);
        if (stop != FieldList::Stop::kEnd) {
            parsed.stop = stop;
            parsed.unreadRecord = record;
            parsed.unreadReason = stop == FieldList::Stop::kNoComma
                                      ? "no comma"
                                      : "width above " + std::to_string(kMaxFieldWidth);
            return parsed;
        }
        parsed.fields.push_back(field);
    }
}

std::string FormatAnswer(const Field& field, const std::string& answer) {
    const std::string trimmed = TrimBlanks(answer);
    const auto width = static_cast<std::size_t>(field.width > 0 ? field.width : 0);
    if (trimmed.size() >= width) return trimmed;
    const std::string padding(width - trimmed.size(), field.numeric ? '0' : ' ');
    return field.numeric ? padding + trimmed : trimmed + padding;
}

}  // namespace vkt::rules
