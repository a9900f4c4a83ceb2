#include "cli/operations.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cli/error_report.h"
#include "cli/exit_status.h"
#include "cli/field_list.h"
#include "cli/get_name.h"
#include "cli/interrupt.h"
#include "cli/operation_report.h"
#include "cli/output_level.h"
#include "rules/latin1.h"

namespace vkt::cli {

using rules::Latin1ToUtf8;
using rules::Utf8ToLatin1;

namespace {

constexpr std::size_t kAnswerBuffer = 2048;

std::int32_t FileKind(const CommandLine& line) {
    return line.plain ? 2 : 1;
}

// VKTVerificar; the answer (Latin-1) in *answer when it returns 0.
std::int32_t AskServer(const Library& library, const Session& session, const CommandLine& line,
                       std::string* answer) {
    std::vector<char> buffer(kAnswerBuffer, ' ');
    std::int32_t length = 0;
    const std::int32_t result = library.verificar(session.id(), line.target.c_str(), FileKind(line),
                                                  buffer.data(), &length);
    if (result == VKT_STATUS_OK) {
        const auto kept = static_cast<std::size_t>(length < 0 ? 0 : length);
        answer->assign(buffer.data(), kept < kAnswerBuffer ? kept : kAnswerBuffer - 1);
    }
    return result;
}

void DiscardErrors(const Library& library) {
    ErrorRecord records[10];
    library.error(records);
}

bool ToLatin1Values(const CommandLine& line, std::vector<GivenValue>* given, std::string* message) {
    for (const auto& [name, value] : line.fields) {
        GivenValue converted;
        if (!Utf8ToLatin1(name, &converted.name) || !Utf8ToLatin1(value, &converted.value)) {
            *message = "--field " + name + ": a character above U+00FF (Latin-1 only)";
            return false;
        }
        given->push_back(converted);
    }
    return true;
}

void PrintFieldsNeeded(const std::vector<Field>& fields, const std::vector<Field>& missing) {
    std::fprintf(stderr,
                 "vkt: the server needs additional information; give every field with --field "
                 "NAME=VALUE:\n");
    for (const Field& field : fields) {
        bool isMissing = false;
        for (const Field& absent : missing) isMissing = isMissing || absent == field;
        std::fprintf(stderr, "  %s%s\n", DescribeField(field).c_str(),
                     isMissing ? "  <- missing" : "");
    }
}

// The additional text for the server's answer and the given values; an exit status.
int BuildAdditionalText(const std::string& answer, const std::vector<GivenValue>& given,
                        std::string* additional) {
    const FieldList list = ParseFieldList(answer);
    if (!list.unreadRecord.empty() && !Quiet()) {
        std::fprintf(stderr,
                     "vkt: warning: the server's field list is read only up to \"%s\" (%s)\n",
                     Latin1ToUtf8(list.unreadRecord).c_str(), list.unreadReason.c_str());
    }
    const MatchedValues matched = MatchFieldValues(list.fields, given);
    if (!matched.missing.empty()) {
        PrintFieldsNeeded(list.fields, matched.missing);
        return kExitUsage;
    }
    for (const std::string& name : matched.unused) {
        if (Quiet()) break;
        std::fprintf(stderr, "vkt: warning: the server asks for no field %s; ignored\n",
                     Latin1ToUtf8(name).c_str());
    }
    std::string problem;
    if (!FormatOutput(list.fields, matched.answers, additional, &problem)) {
        std::fprintf(stderr, "vkt: %s\n", problem.c_str());
        return kExitUsage;
    }
    return kExitOk;
}

int Send(const Library& library, Session& session, const CommandLine& line,
         const std::vector<GivenValue>& given, const SecretText& password) {
    std::string answer;
    const std::int32_t verified = AskServer(library, session, line, &answer);
    if (InterruptReceived() != Interrupt::kNone) return session.EndForSignal();
    std::string additional;
    if (verified == VKT_STATUS_OK) {
        const int built = BuildAdditionalText(answer, given, &additional);
        if (built != kExitOk) return built;
    } else if (verified == VKT_STATUS_NO_INFORMATION_NEEDED) {
        DiscardErrors(library);
        if (!given.empty() && !Quiet()) {
            std::fprintf(stderr,
                         "vkt: warning: the server needs no additional information; --field "
                         "values ignored\n");
        }
    } else {
        return session.Failed(verified);
    }
    const std::int32_t started =
        library.enviar(session.id(), password.c_str(), line.target.c_str(), FileKind(line),
                       additional.c_str(), static_cast<std::int32_t>(additional.size()));
    if (started != VKT_STATUS_OK) return session.Failed(started);
    const int status = session.Wait(Activity::kSend);
    if (status == kExitOk && !Quiet()) {
        std::fprintf(stderr, "vkt: %s sent and accepted\n", line.target.c_str());
    }
    return status;
}

int Get(const Library& library, Session& session, const CommandLine& line,
        const SecretText& password) {
    const std::string folder = DestinationFolder(line);
    const std::int32_t started =
        library.solicitar(session.id(), password.c_str(), line.target.c_str(), folder.c_str());
    if (started != VKT_STATUS_OK) return session.Failed(started);
    const std::string path = ReceivedPath(line);
    // A transfer that fails or is cut short never touches path: the library receives into a
    // part file of its own and removes it, also when this process ends under it.
    const int status = session.Wait(Activity::kGet);
    if (status == kExitOk && !Quiet()) std::fprintf(stderr, "vkt: received %s\n", path.c_str());
    return status;
}

// The answer, when one came, in *answer; on standard output unless --json reports it.
int Verify(const Library& library, Session& session, const CommandLine& line,
           std::optional<std::string>* answer) {
    std::string received;
    const std::int32_t verified = AskServer(library, session, line, &received);
    if (InterruptReceived() != Interrupt::kNone) return session.EndForSignal();
    if (verified == VKT_STATUS_NO_INFORMATION_NEEDED) {
        DiscardErrors(library);
        if (!Quiet()) {
            std::fprintf(stderr, "vkt: the server needs no additional information for %s\n",
                         line.target.c_str());
        }
        return kExitOk;
    }
    if (verified != VKT_STATUS_OK) return session.Failed(verified);
    *answer = received;
    if (!line.json) std::printf("%s\n", Latin1ToUtf8(received).c_str());
    const FieldList list = ParseFieldList(received);
    for (const Field& field : list.fields) {
        if (Quiet()) break;
        std::fprintf(stderr, "vkt: field %s\n", DescribeField(field).c_str());
    }
    return kExitOk;
}

}  // namespace

bool CheckOperation(const CommandLine& line, std::vector<GivenValue>* given, std::string* message) {
    given->clear();
    return CheckGetName(line, message) && ToLatin1Values(line, given, message);
}

std::string OperationContext(const CommandLine& line, const ConnectSettings& settings) {
    const char* preposition = line.command == "send"  ? " to "
                              : line.command == "get" ? " from "
                                                      : " at ";
    return line.command + " " + line.target + preposition + ServerAndPort(settings);
}

int RunOperation(const Library& library, Session& session, const CommandLine& line,
                 const std::vector<GivenValue>& given, const SecretText& password) {
    const auto start = std::chrono::steady_clock::now();
    TakeLastFailure();  // an earlier line's
    std::optional<std::string> answer;
    const int status = line.command == "send"  ? Send(library, session, line, given, password)
                       : line.command == "get" ? Get(library, session, line, password)
                                               : Verify(library, session, line, &answer);
    if (line.json) {
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        PrintOperationJson(line, status, seconds.count(), answer);
    }
    return status;
}

}  // namespace vkt::cli
