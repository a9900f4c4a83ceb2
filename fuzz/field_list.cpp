// The server's field list, as the clients read it from a verify answer, and the answers
// formatted to its fields. Input: the list up to the first NUL byte; what follows it is the
// answer given to every field.
#include "rules/field_list.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string list = input.substr(0, nul);
    const std::string answer = nul == std::string::npos ? std::string() : input.substr(nul + 1);

    const vkt::rules::FieldList read = vkt::rules::ParseFieldList(list);
    if ((read.stop == vkt::rules::FieldList::Stop::kEnd) != read.unreadReason.empty()) std::abort();
    for (const vkt::rules::Field& field : read.fields) {
        if (field.width < 0 || field.width > vkt::rules::kMaxFieldWidth) std::abort();
        const std::string formatted = vkt::rules::FormatAnswer(field, answer);
        // An answer is padded to its width, never cut.
        if (field.width > 0 && formatted.size() < static_cast<std::size_t>(field.width))
            std::abort();
    }
    return 0;
}
