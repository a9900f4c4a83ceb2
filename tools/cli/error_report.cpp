#include "cli/error_report.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "cli/latin1.h"

namespace vkt::cli {

std::vector<std::int32_t> PrintErrors(const Library& library) {
    ErrorRecord records[10];
    std::memset(records, 0, sizeof records);
    const std::int32_t count = library.error(records);
    std::vector<std::int32_t> codes;
    for (std::int32_t i = 0; i < count && i < 10; ++i) {
        const ErrorRecord& record = records[i];
        std::size_t length =
            record.textLength < sizeof record.text ? record.textLength : sizeof record.text;
        length = strnlen(record.text, length);
        const std::string text = Latin1ToUtf8(std::string(record.text, length));
        std::fprintf(stderr, "%d %s\n", record.code, text.c_str());
        codes.push_back(record.code);
    }
    return codes;
}

}  // namespace vkt::cli
