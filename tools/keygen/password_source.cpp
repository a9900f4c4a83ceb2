#include "keygen/password_source.h"

#include <stdexcept>

#include "common/password_source.h"
#include "keygen/usage_failure.h"

namespace vkt::keygen {

SecretBytes ReadPassword(const PasswordOptions& options) {
    tools::PasswordRequest request;
    if (!options.passwordFile.empty()) request.file = options.passwordFile;
    request.confirm = options.confirm;
    if (options.confirm) request.prompt = "Password (empty for an unprotected key): ";
    tools::SecretText password;
    std::string message;
    switch (tools::ReadPassword(request, &password, &message)) {
        case tools::PasswordResult::kRead:
            break;
        case tools::PasswordResult::kNoSource:
            throw UsageFailure(message + " (an empty one makes an unprotected key)");
        case tools::PasswordResult::kInterrupted:
            // The signal had its default action, which ends the program; here it was ignored.
            throw std::runtime_error("interrupted");
        case tools::PasswordResult::kFailed:
            throw std::runtime_error(message);
    }
    const std::string& text = password.text();
    return SecretBytes(text.begin(), text.end());
}

}  // namespace vkt::keygen
