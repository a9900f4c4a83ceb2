// Status codes: composition from a source digit and a raw error number, and the catalogue id
// that belongs to a code.
#include "runtime/status/status_code.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace vkt::runtime {

namespace {

// |value| without overflow for INT32_MIN.
std::uint64_t Magnitude(std::int32_t value) {
    return value < 0
               ? std::uint64_t{0} - static_cast<std::uint64_t>(static_cast<std::int64_t>(value))
               : static_cast<std::uint64_t>(value);
}

}  // namespace

// Decimal digits of |source| followed by those of |raw|, read back as a number. A result
// beyond the 32-bit range (never reached by the socket and cryptographic numbers, at most five
// digits) saturates at INT32_MAX instead of wrapping into an unrelated code.
std::int32_t ComposeStatus(std::int32_t raw, std::int32_t source) {
    if (source == kSourceLibrary) return raw;
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits, Magnitude(source)).ptr;
    end = std::to_chars(end, digits + sizeof digits, Magnitude(raw)).ptr;
    std::int64_t value = 0;
    const auto parsed = std::from_chars(digits, end, value);
    if (parsed.ec != std::errc{} || value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

// |code| in decimal; a leading digit 1 becomes 0 (110054 -> 10054), any other leading digit
// leaves the code itself as the id.
std::int32_t MessageIdFor(std::int32_t code) {
    const std::uint64_t magnitude = Magnitude(code);
    std::uint64_t leading = 1;
    while (magnitude / leading >= 10) leading *= 10;
    if (magnitude / leading != 1) return code;
    return static_cast<std::int32_t>(magnitude - leading);
}

}  // namespace vkt::runtime
