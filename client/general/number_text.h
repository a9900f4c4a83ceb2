// Conversions between typed text and numbers, with the program's run-time errors.
#pragma once

#include <QString>
#include <cstdint>

#include "rules/decimal_number.h"

namespace vkt::client {

// text without leading and trailing blanks (spaces only: other characters are data).
QString TrimBlanks(const QString& text);

// The 32-bit number written in text (rules/decimal_number.h): blanks around it, an optional
// sign, decimal digits. Throws RunTimeError 13 (type mismatch) for anything else, empty text
// included, and RunTimeError 6 (overflow) beyond the 32-bit range.
std::int32_t ToLong(const QString& text);

// Throws the run-time error of a number that could not be read: 13 for kNotANumber, 6 for
// kOutOfRange.
[[noreturn]] void ThrowNumberError(rules::NumberRead read);

}  // namespace vkt::client
