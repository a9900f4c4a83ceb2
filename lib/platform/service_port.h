// The port of a service given as a number, shared by both platforms' connects: decimal digits
// only, 1 to 65535, with blanks before and after them allowed, as typed in a configuration.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vkt::platform {

// The port in host order; false when text is no such number.
inline bool ParsePortNumber(const char* text, std::uint16_t* port) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    const char* digits = text;
    while (isBlank(*digits)) ++digits;
    std::uint32_t value = 0;
    std::size_t i = 0;
    for (; digits[i] >= '0' && digits[i] <= '9' && value <= 65535; ++i)
        value = value * 10 + static_cast<std::uint32_t>(digits[i] - '0');
    const char* rest = digits + i;
    while (isBlank(*rest)) ++rest;
    if (i == 0 || *rest != 0 || value == 0 || value > 65535) return false;
    *port = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace vkt::platform
