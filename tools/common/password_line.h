// One line of a password as every source reads it: the bytes up to "\n", without it and without
// a "\r" before it, at most kMaxPasswordBytes of them.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "common/password_source.h"
#include "common/secret_text.h"

namespace vkt::tools {

constexpr std::size_t kMaxPasswordBytes = 4096;

enum class NextByte { kByte, kEnd, kAgain, kFailed };

// next(&byte, message) reads one byte (kAgain: nothing read, try again; kFailed: *message says
// why); stopped() is asked before each byte and ends the line as kInterrupted. kFailed past
// kMaxPasswordBytes or on a read failure. *line gets what was read in every case.
template <typename Next, typename Stopped>
PasswordResult CollectPasswordLine(Next next, Stopped stopped, SecretText* line,
                                   std::string* message) {
    std::string text;
    text.reserve(kMaxPasswordBytes + 1);  // no reallocation leaves a copy behind
    PasswordResult result = PasswordResult::kRead;
    for (;;) {
        if (stopped()) {
            result = PasswordResult::kInterrupted;
            break;
        }
        char byte = 0;
        const NextByte got = next(&byte, message);
        if (got == NextByte::kAgain) continue;
        if (got == NextByte::kFailed) {
            result = PasswordResult::kFailed;
            break;
        }
        if (got == NextByte::kEnd || byte == '\n') break;
        if (text.size() == kMaxPasswordBytes) {
            *message = "longer than 4096 bytes";
            result = PasswordResult::kFailed;
            break;
        }
        text.push_back(byte);
    }
    if (!text.empty() && text.back() == '\r') text.pop_back();
    *line = SecretText(std::move(text));
    return result;
}

}  // namespace vkt::tools
