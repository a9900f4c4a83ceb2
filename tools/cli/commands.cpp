#include "cli/commands.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/error_report.h"
#include "cli/exit_status.h"
#include "cli/field_list.h"
#include "cli/field_values.h"
#include "cli/interrupt.h"
#include "cli/latin1.h"
#include "cli/library_binding.h"
#include "cli/password_input.h"
#include "cli/session.h"
#include "cli/settings.h"

namespace vkt::cli {
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
    if (!list.unreadRecord.empty()) {
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
    if (InterruptSignal() != 0) {
        session.Abandon();
        return kExitInterrupted;
    }
    std::string additional;
    if (verified == VKT_STATUS_OK) {
        const int built = BuildAdditionalText(answer, given, &additional);
        if (built != kExitOk) return built;
    } else if (verified == VKT_STATUS_NO_INFORMATION_NEEDED) {
        DiscardErrors(library);
        if (!given.empty()) {
            std::fprintf(stderr,
                         "vkt: warning: the server needs no additional information; --field "
                         "values ignored\n");
        }
    } else {
        PrintErrors(library);
        return kExitFailed;
    }
    const std::int32_t started =
        library.enviar(session.id(), password.c_str(), line.target.c_str(), FileKind(line),
                       additional.c_str(), static_cast<std::int32_t>(additional.size()));
    if (started != VKT_STATUS_OK) {
        PrintErrors(library);
        return kExitFailed;
    }
    const int status = session.Wait(Activity::kSend);
    if (status == kExitOk) std::fprintf(stderr, "vkt: %s sent and accepted\n", line.target.c_str());
    return status;
}

int Get(const Library& library, Session& session, const CommandLine& line,
        const SecretText& password) {
    std::string folder = line.to;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    const std::int32_t started =
        library.solicitar(session.id(), password.c_str(), line.target.c_str(), folder.c_str());
    if (started != VKT_STATUS_OK) {
        PrintErrors(library);
        return kExitFailed;
    }
    const std::string path = (folder == "/" ? "" : folder) + "/" + line.target;
    // A transfer that fails or is cut short never touches path: the library receives into a
    // part file of its own and removes it, also when this process ends under it.
    const int status = session.Wait(Activity::kGet);
    if (status == kExitOk) std::fprintf(stderr, "vkt: received %s\n", path.c_str());
    return status;
}

int Verify(const Library& library, Session& session, const CommandLine& line) {
    std::string answer;
    const std::int32_t verified = AskServer(library, session, line, &answer);
    if (InterruptSignal() != 0) {
        session.Abandon();
        return kExitInterrupted;
    }
    if (verified == VKT_STATUS_NO_INFORMATION_NEEDED) {
        DiscardErrors(library);
        std::fprintf(stderr, "vkt: the server needs no additional information for %s\n",
                     line.target.c_str());
        return kExitOk;
    }
    if (verified != VKT_STATUS_OK) {
        PrintErrors(library);
        return kExitFailed;
    }
    std::printf("%s\n", Latin1ToUtf8(answer).c_str());
    const FieldList list = ParseFieldList(answer);
    for (const Field& field : list.fields) {
        std::fprintf(stderr, "vkt: field %s\n", DescribeField(field).c_str());
    }
    return kExitOk;
}

}  // namespace

int RunCommand(const CommandLine& line) {
    std::string message;
    ConnectSettings settings;
    std::vector<GivenValue> given;
    if (!ResolveSettings(line, &settings, &message) || !ToLatin1Values(line, &given, &message)) {
        std::fprintf(stderr, "vkt: %s\n", message.c_str());
        return kExitUsage;
    }
    InstallInterruptHandlers();
    Library library;
    if (!library.Load(&message)) {
        std::fprintf(stderr, "vkt: %s\n", message.c_str());
        return kExitNoLibrary;
    }
    SecretText password;
    switch (ReadPassword(&password, &message)) {
        case PasswordResult::kRead:
            break;
        case PasswordResult::kFailed:
            std::fprintf(stderr, "vkt: %s\n", message.c_str());
            return kExitUsage;
        case PasswordResult::kInterrupted:
            return kExitInterrupted;
    }
    Session session(library, WaitBoundSeconds(settings.timeout));
    const int opened = session.Open(settings, password);
    if (opened != kExitOk) return opened;
    if (line.command == "send") return Send(library, session, line, given, password);
    if (line.command == "get") return Get(library, session, line, password);
    return Verify(library, session, line);
}

}  // namespace vkt::cli
