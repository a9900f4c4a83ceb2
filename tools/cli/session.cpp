#include "cli/session.h"

#include <chrono>
#include <cstdio>

#include "cli/deadline.h"
#include "cli/error_report.h"
#include "cli/exit_status.h"
#include "cli/interrupt.h"
#include "cli/platform/pause.h"
#include "rules/latin1.h"

namespace vkt::cli {
namespace {

constexpr int kWatchdogSeconds = 120;
constexpr int kMarginSeconds = 30;
// The pause between connects while the session is held: 200 ms, growing to 1 s.
constexpr long kFirstPauseMs = 200;
constexpr long kLongestPauseMs = 1000;

long NowMs() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace

int WaitBoundSeconds(std::int32_t timeout) {
    return timeout + kWatchdogSeconds + kMarginSeconds;
}

int Session::Open(const ConnectSettings& settings, const SecretText& password,
                  int waitSessionSeconds) {
    where_ = ServerAndPort(settings);
    connectContext_ = "connect to " + where_ + " as " + rules::Latin1ToUtf8(settings.user);
    const long giveUp = NowMs() + waitSessionSeconds * 1000L;
    long pause = kFirstPauseMs;
    for (;;) {
        std::int32_t id = 0;
        const std::int32_t result = library_.conectar(
            settings.server.c_str(), settings.service.c_str(), settings.user.c_str(),
            password.c_str(), settings.keys.c_str(), settings.timeout, &id);
        if (result == VKT_STATUS_OK) {
            id_ = id;
            open_ = true;
            break;
        }
        if (result != VKT_STATUS_SESSION_HELD || NowMs() + pause > giveUp) {
            return ReportFailure(library_, connectContext_, result);
        }
        DiscardErrors();
        PauseMilliseconds(pause);
        if (InterruptReceived() != Interrupt::kNone) return EndForSignal();
        pause = pause * 2 < kLongestPauseMs ? pause * 2 : kLongestPauseMs;
    }
    const std::string operation = context_;
    context_ = connectContext_;
    const int status = Wait(Activity::kConnect);
    context_ = operation;
    return status;
}

int Session::Wait(Activity activity) {
    switch (WaitForOperation(library_, activity, bound_)) {
        case WaitResult::kEnded:
            return kExitOk;
        case WaitResult::kFailed:
            return Failed(0);
        case WaitResult::kStalled:
            PrintErrors(library_, context_);
            std::fprintf(stderr, "vkt: %s: no progress for %d seconds; giving up\n",
                         context_.c_str(), bound_);
            Abandon();
            return kExitTimedOut;
        case WaitResult::kInterrupted:
            return EndForSignal();
    }
    return kExitRefused;
}

int Session::EndForSignal() {
    if (InterruptReceived() == Interrupt::kTimedOut) {
        PrintTimedOut();
    } else {
        std::fprintf(stderr, "vkt: %s: interrupted; closing the session\n", context_.c_str());
    }
    Abandon();
    return InterruptedStatus();
}

int Session::Failed(std::int32_t returned) const {
    return ReportFailure(library_, context_, returned, serverFile_);
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
        PrintErrors(library_, "disconnect from " + where_);
    }
}

void Session::DiscardErrors() {
    ErrorRecord discarded[10];
    library_.error(discarded);
}

}  // namespace vkt::cli
