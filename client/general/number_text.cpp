// Text to number conversions.
#include "general/number_text.h"

#include "general/run_time_error.h"

namespace vkt::client {
namespace {

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

RunTimeError Overflow() {
    return RunTimeError(kErrOverflow, QStringLiteral("Desbordamiento"));
}

}  // namespace

QString TrimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == QLatin1Char(' ')) ++first;
    while (last > first && text[last - 1] == QLatin1Char(' ')) --last;
    return text.mid(first, last - first);
}

std::int32_t ToLong(const QString& text) {
    const QString trimmed = TrimBlanks(text);
    qsizetype i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed[i] == QLatin1Char('+') || trimmed[i] == QLatin1Char('-'))) {
        negative = trimmed[i] == QLatin1Char('-');
        ++i;
    }
    if (i == trimmed.size()) {
        throw RunTimeError(kErrTypeMismatch, QStringLiteral("No coinciden los tipos"));
    }
    std::int64_t value = 0;
    for (; i < trimmed.size(); ++i) {
        if (!IsDigit(trimmed[i])) {
            throw RunTimeError(kErrTypeMismatch, QStringLiteral("No coinciden los tipos"));
        }
        value = value * 10 + (trimmed[i].unicode() - '0');
        if (value > INT64_C(2147483648)) throw Overflow();
    }
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) throw Overflow();
    return static_cast<std::int32_t>(value);
}

std::int16_t LeadingNumber16(const QString& text) {
    const QString trimmed = TrimBlanks(text);
    std::int32_t value = 0;
    for (qsizetype i = 0; i < trimmed.size() && IsDigit(trimmed[i]); ++i) {
        value = value * 10 + (trimmed[i].unicode() - '0');
        if (value > INT16_MAX) throw Overflow();
    }
    return static_cast<std::int16_t>(value);
}

}  // namespace vkt::client
