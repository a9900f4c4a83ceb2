// Text to number conversions.
#include "general/number_text.h"

#include "general/run_time_error.h"

namespace vkt::client {

QString TrimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == QLatin1Char(' ')) ++first;
    while (last > first && text[last - 1] == QLatin1Char(' ')) --last;
    return text.mid(first, last - first);
}

std::int32_t ToLong(const QString& text) {
    std::int32_t value = 0;
    const rules::NumberRead read = rules::ReadInt32(text.toStdString(), &value);
    if (read != rules::NumberRead::kOk) ThrowNumberError(read);
    return value;
}

void ThrowNumberError(rules::NumberRead read) {
    if (read == rules::NumberRead::kOutOfRange) {
        throw RunTimeError(kErrOverflow, QStringLiteral("Desbordamiento"));
    }
    throw RunTimeError(kErrTypeMismatch, QStringLiteral("No coinciden los tipos"));
}

}  // namespace vkt::client
