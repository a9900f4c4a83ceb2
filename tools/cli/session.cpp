#include "cli/session.h"

#include <cstdio>

#include "cli/error_report.h"
#include "cli/exit_status.h"

namespace vkt::cli {
namespace {

constexpr int kWatchdogSeconds = 120;
constexpr int kMarginSeconds = 30;

}  // namespace

int WaitBoundSeconds(std::int32_t timeout) {
    return timeout + kWatchdogSeconds + kMarginSeconds;
}

int Session::Open(const ConnectSettings& settings, const SecretText& password) {
    std::int32_t id = 0;
    const std::int32_t result =
        library_.conectar(settings.server.c_str(), settings.service.c_str(), settings.user.c_str(),
                          password.c_str(), settings.keys.c_str(), settings.timeout, &id);
    if (result != VKT_STATUS_OK) {
        PrintErrors(library_);
        return kExitFailed;
    }
    id_ = id;
    open_ = true;
    return Wait(Activity::kConnect);
}

int Session::Wait(Activity activity) {
    switch (WaitForOperation(library_, activity, bound_)) {
        case WaitResult::kEnded:
            return kExitOk;
        case WaitResult::kFailed:
            PrintErrors(library_);
            return kExitFailed;
        case WaitResult::kStalled:
            PrintErrors(library_);
            std::fprintf(stderr, "vkt: no progress for %d seconds; giving up\n", bound_);
            Abandon();
            return kExitStalled;
        case WaitResult::kInterrupted:
            std::fprintf(stderr, "vkt: interrupted; closing the session\n");
            Abandon();
            return kExitInterrupted;
    }
    return kExitFailed;
}

void Session::Abandon() {
    if (!open_) return;
    open_ = false;
    if (library_.desconectar(id_) == VKT_STATUS_OPERATION_RUNNING) DiscardErrors();
}

void Session::Close() {
    if (!open_) return;
    open_ = false;
    const std::int32_t result = library_.desconectar(id_);
    if (result == VKT_STATUS_OPERATION_RUNNING) {
        DiscardErrors();
    } else if (result != VKT_STATUS_OK && result != VKT_STATUS_NO_SESSION) {
        std::fprintf(stderr, "vkt: closing the session failed:\n");
        PrintErrors(library_);
    }
}

void Session::DiscardErrors() {
    ErrorRecord discarded[10];
    library_.error(discarded);
}

}  // namespace vkt::cli
