#include "cli/operation_wait.h"

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "cli/interrupt.h"

namespace vkt::cli {
namespace {

constexpr long kPollNanoseconds = 100L * 1000 * 1000;

// What a step of the status record means in each operation; nullptr: not shown.
const char* StageName(Activity activity, std::uint32_t step) {
    if (activity == Activity::kSend) {
        switch (step) {
            case VKT_STEP_CHECKING_FILE:
                return "checking the file";
            case VKT_STEP_AUTHORISING:
                return "awaiting the server's authorisation";
            case VKT_STEP_SENDING:
                return "sending the file";
            case VKT_STEP_SIGNING:
                return "signing the file";
            case VKT_STEP_SERVER_PROCESSING:
                return "awaiting the server's acceptance";
            default:
                return nullptr;
        }
    }
    if (activity == Activity::kGet) {
        switch (step) {
            case VKT_STEP_SENDING:
                return "sending the request";
            case VKT_STEP_SERVER_PROCESSING:
                return "awaiting the server";
            case VKT_STEP_RECEIVING:
                return "receiving the file";
            case VKT_STEP_CHECKING_FILE:
                return "verifying the file";
            default:
                return nullptr;
        }
    }
    return nullptr;
}

bool ShowsBytes(Activity activity, std::uint32_t step) {
    return (activity == Activity::kSend && step == VKT_STEP_SENDING) ||
           (activity == Activity::kGet && step == VKT_STEP_RECEIVING);
}

double Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

class ProgressLine {
  public:
    explicit ProgressLine(Activity activity)
        : activity_(activity), terminal_(isatty(STDERR_FILENO) == 1) {}
    ~ProgressLine() {
        if (terminal_ && shown_) std::fputs("\n", stderr);
    }

    void Show(const StatusRecord& status) {
        const char* stage = StageName(activity_, status.step);
        if (stage == nullptr) return;
        std::string text = std::string("vkt: ") + stage;
        if (ShowsBytes(activity_, status.step) && status.bytesTotal > 0) {
            text += ": " + std::to_string(status.bytesDone) + " of " +
                    std::to_string(status.bytesTotal) + " bytes";
        }
        if (terminal_) {
            if (text == last_) return;
            std::fprintf(stderr, "\r%s\033[K", text.c_str());
        } else {
            if (shown_ && status.step == lastStep_) return;
            std::fprintf(stderr, "%s\n", text.c_str());
        }
        std::fflush(stderr);
        shown_ = true;
        last_ = text;
        lastStep_ = status.step;
    }

  private:
    Activity activity_;
    bool terminal_;
    bool shown_ = false;
    std::string last_;
    std::uint32_t lastStep_ = 0;
};

}  // namespace

WaitResult WaitForOperation(const Library& library, Activity activity, int boundSeconds) {
    ProgressLine progress(activity);
    StatusRecord last{};
    double lastChange = Now();
    for (bool first = true;; first = false) {
        if (InterruptSignal() != 0) return WaitResult::kInterrupted;
        StatusRecord status{};
        if (library.estado(&status) == VKT_STATUS_OK) {
            if (status.activity == VKT_ACTIVITY_IDLE) return WaitResult::kEnded;
            if (status.activity == VKT_ACTIVITY_FAILED) return WaitResult::kFailed;
            if (first || status.step != last.step || status.bytesDone != last.bytesDone ||
                status.bytesTotal != last.bytesTotal) {
                lastChange = Now();
                last = status;
            }
            progress.Show(status);
        }
        if (Now() - lastChange > boundSeconds) return WaitResult::kStalled;
        const timespec pause{0, kPollNanoseconds};
        nanosleep(&pause, nullptr);
    }
}

}  // namespace vkt::cli
