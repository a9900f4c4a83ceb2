#include "cli/error_report.h"

#include <cstdio>
#include <cstring>

#include "cli/exit_class.h"
#include "rules/latin1.h"

namespace vkt::cli {

using rules::Latin1ToUtf8;

namespace {

Failure last;
std::vector<Failure> printed;  // the records PrintErrors printed last

}  // namespace

Failure TakeLastFailure() {
    Failure taken = last;
    last = Failure{};
    return taken;
}

std::vector<std::int32_t> PrintErrors(const Library& library, const std::string& context) {
    ErrorRecord records[10];
    std::memset(records, 0, sizeof records);
    const std::int32_t count = library.error(records);
    std::vector<std::int32_t> codes;
    printed.clear();
    for (std::int32_t i = 0; i < count && i < 10; ++i) {
        const ErrorRecord& record = records[i];
        std::size_t length =
            record.textLength < sizeof record.text ? record.textLength : sizeof record.text;
        length = strnlen(record.text, length);
        const std::string text = Latin1ToUtf8(std::string(record.text, length));
        std::fprintf(stderr, "vkt: %s: [%d] %s\n", context.c_str(), record.code, text.c_str());
        codes.push_back(record.code);
        printed.push_back({record.code, text});
    }
    if (!printed.empty()) last = printed.front();
    return codes;
}

int ReportFailure(const Library& library, const std::string& context, std::int32_t returned,
                  bool serverFile) {
    const std::vector<std::int32_t> codes = PrintErrors(library, context);
    if (codes.empty() && returned != 0) {
        std::fprintf(stderr, "vkt: %s: [%d]\n", context.c_str(), returned);
    } else if (codes.empty()) {
        std::fprintf(stderr, "vkt: %s: failed, no reason recorded\n", context.c_str());
    }
    const std::int32_t deciding = DecidingCode(codes, returned);
    last = Failure{deciding, ""};
    for (const Failure& record : printed) {
        if (record.code == deciding) {
            last.text = record.text;
            break;
        }
    }
    return ExitClassFor(deciding, serverFile);
}

}  // namespace vkt::cli
