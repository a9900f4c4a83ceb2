// A 32-bit decimal number as people type and files hold it.
#pragma once

#include <cstdint>
#include <string>

namespace vkt::rules {

enum class NumberRead {
    kOk,
    kNotANumber,  // empty, or anything but an optional sign and decimal digits
    kOutOfRange,  // digits beyond the 32-bit range
};

// Blanks around the number are skipped; then an optional "+" or "-" and decimal digits.
// *value is set only when the result is kOk.
NumberRead ReadInt32(const std::string& text, std::int32_t* value);

// text without its leading and trailing blanks (spaces only; other characters are data).
std::string TrimBlanks(const std::string& text);

}  // namespace vkt::rules
