// Conversions between typed text and numbers, with the program's run-time errors.
#pragma once

#include <QString>
#include <cstdint>

namespace vkt::client {

// text without leading and trailing blanks (spaces only: other characters are data).
QString TrimBlanks(const QString& text);

// The 32-bit number written in text: blanks around it, an optional sign, decimal digits.
// Throws RunTimeError 13 (type mismatch) for anything else, empty text included, and
// RunTimeError 6 (overflow) beyond the 32-bit range.
std::int32_t ToLong(const QString& text);

// The value of the decimal digits at the start of the trimmed text (0 when it starts with
// none): "12abc" gives 12, "x" gives 0. Throws RunTimeError 6 (overflow) beyond 32767.
std::int16_t LeadingNumber16(const QString& text);

}  // namespace vkt::client
