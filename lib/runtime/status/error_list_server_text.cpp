// Recording an error that the server reports as "<decimal code>-<message>".
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>

#include "runtime/status/catalogue.h"
#include "runtime/status/error_list.h"
#include "runtime/status/error_list_entry.h"
#include "runtime/status/status_code.h"

namespace vkt::runtime {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The value of text[0, length) by atoi's rules: leading blanks, an optional sign, then digits
// up to the first other character; no digits gives 0. Values beyond the 32-bit range saturate
// (atoi leaves them undefined).
std::int32_t DecimalPrefix(const char* text, std::size_t length) {
    std::size_t i = 0;
    while (i < length && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min(value * 10 + (text[i] - '0'), kLimit);
    }
    if (negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min(value, kLimit - 1));
}

}  // namespace

// Only the first length bytes are examined, and the scan for the hyphen stops at a NUL: the
// body of a server frame is not zero-terminated, and a hyphen beyond length must not produce a
// negative message length. Message: the bytes after the hyphen, length - prefix - 1 of them,
// cut at a NUL and at 254.
//
// A report whose number reads as 0 ("-x", "0-x", "Error-x") is still a failure: it is
// recorded as 40062 (the server sent an error message in an invalid format) with the server's
// own message, or with the catalogue text when the message is empty, so that no operation
// ever ends in success on an error report.
std::int32_t ErrorList::AddServerText(const char* text, std::uint32_t length) {
    std::size_t hyphen = length;
    if (text != nullptr) {
        for (std::size_t i = 0; i < length && text[i] != '\0'; ++i) {
            if (text[i] == '-') {
                hyphen = i;
                break;
            }
        }
    }
    if (hyphen == length) {
        return Add(kServerTextMalformed) ? kServerTextMalformed : kNoMemory;
    }
    std::int32_t code = DecimalPrefix(text, hyphen);
    const char* message = text + hyphen + 1;
    std::size_t messageLength = length - hyphen - 1;
    if (code == 0) {
        code = kServerTextMalformed;
        if (::strnlen(message, messageLength) == 0) {
            message = CatalogueText(MessageIdFor(code));
            messageLength = 253;
        }
    }
    Entry* entry = NewEntry(code, message, messageLength);
    if (entry == nullptr) return kNoMemory;
    std::lock_guard<std::mutex> hold(StatusLock());
    AppendLocked(entry);
    return code;
}

}  // namespace vkt::runtime
