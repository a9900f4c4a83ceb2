#include "common/password_source.h"

#include <cstdlib>
#include <cstring>

#include "common/platform/password_input.h"
#include "rules/latin1.h"

namespace vkt::tools {
namespace {

PasswordResult ReadRaw(const PasswordRequest& request, SecretText* raw, std::string* message) {
    if (request.file) return FirstLineOf(*request.file, raw, message);
    if (const char* fromEnvironment = std::getenv("VKT_PASSWORD")) {
        *raw = SecretText(std::string(fromEnvironment));
        return PasswordResult::kRead;
    }
    if (!StandardInputIsTerminal()) {
        *message = "no password: use --password-file FILE or VKT_PASSWORD";
        return PasswordResult::kNoSource;
    }
    const PasswordResult first = Prompt(request.prompt, raw, message);
    if (first != PasswordResult::kRead || !request.confirm) return first;
    SecretText again;
    const PasswordResult second = Prompt("Repeat the password: ", &again, message);
    if (second != PasswordResult::kRead) return second;
    if (again.text() != raw->text()) {
        *message = "the two passwords differ";
        return PasswordResult::kFailed;
    }
    return PasswordResult::kRead;
}

}  // namespace

PasswordResult ReadPassword(const PasswordRequest& request, SecretText* password,
                            std::string* message) {
    SecretText raw;
    const PasswordResult read = ReadRaw(request, &raw, message);
    if (read != PasswordResult::kRead) return read;
    if (std::memchr(raw.text().data(), '\0', raw.text().size()) != nullptr) {
        *message = "the password holds a NUL byte, which a key password cannot contain";
        return PasswordResult::kFailed;
    }
    SecretText latin1;
    if (!rules::Utf8ToLatin1(raw.text(), latin1.mutable_text())) {
        *message =
            "the password holds a character outside Latin-1 (above U+00FF); key passwords are "
            "single-byte Latin-1 text";
        return PasswordResult::kFailed;
    }
    *password = std::move(latin1);
    return PasswordResult::kRead;
}

}  // namespace vkt::tools
