#include "cli/operation_wait.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cli/interrupt.h"
#include "cli/output_level.h"
#include "cli/platform/console.h"
#include "cli/platform/pause.h"
#include "cli/progress_line.h"

namespace vkt::cli {
namespace {

// VKTEstado only copies the status block out, so polling often costs little and the end of an
// operation is seen within a few milliseconds.
constexpr long kPollMilliseconds = 5;

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

// The library's name of every step, for -v.
const char* StepName(std::uint32_t step) {
    static const char* const kNames[] = {"none",        "connecting",        "opening the session",
                                         "sending",     "receiving",         "disconnecting",
                                         "signing",     "checking the file", "server processing",
                                         "authorising", "no operation"};
    return step < sizeof kNames / sizeof kNames[0] ? kNames[step] : "unknown";
}

// -v: one line for each change of step the polls see, with the bytes the status record holds
// then.
void ShowStep(const StatusRecord& status) {
    std::fprintf(stderr, "vkt: step %u (%s): %llu of %llu bytes\n",
                 static_cast<unsigned>(status.step), StepName(status.step),
                 static_cast<unsigned long long>(status.bytesDone),
                 static_cast<unsigned long long>(status.bytesTotal));
    std::fflush(stderr);
}

bool ShowsBytes(Activity activity, std::uint32_t step) {
    return (activity == Activity::kSend && step == VKT_STEP_SENDING) ||
           (activity == Activity::kGet && step == VKT_STEP_RECEIVING);
}

double Now() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double>(now).count();
}

// The terminal's width in columns: the window size of standard error, else $COLUMNS, else 80.
std::size_t TerminalWidth() {
    if (const std::size_t columns = TerminalColumns(); columns > 0) return columns;
    const char* columns = std::getenv("COLUMNS");
    if (columns != nullptr) {
        char* end = nullptr;
        const long value = std::strtol(columns, &end, 10);
        if (end != columns && *end == '\0' && value > 0 && value < 10000) {
            return static_cast<std::size_t>(value);
        }
    }
    return 80;
}

// A terminal is rewritten at most this often (and at every change of stage).
constexpr double kRewriteSeconds = 0.1;

class ProgressLine {
  public:
    explicit ProgressLine(Activity activity) : activity_(activity) {
        const ProgressMode mode = CurrentProgressMode();
        shown_ = mode != ProgressMode::kNever;
        inPlace_ = mode == ProgressMode::kAlways ||
                   (mode == ProgressMode::kAuto && StandardErrorIsTerminal());
        erases_ = inPlace_ && EnableLineErase();
    }
    // The line is finished, so what follows starts on a fresh one.
    ~ProgressLine() {
        if (inPlace_ && !last_.empty()) std::fputs("\n", stderr);
    }

    void Show(const StatusRecord& status) {
        const OutputLevel level = CurrentOutputLevel();
        if (level == OutputLevel::kQuiet) return;
        if (level == OutputLevel::kVerbose) {
            if (!stepShown_ || status.step != lastStep_) ShowStep(status);
            stepShown_ = true;
            lastStep_ = status.step;
            return;
        }
        if (!shown_) return;
        const char* stage = StageName(activity_, status.step);
        if (stage == nullptr) return;
        const double now = Now();
        const bool newStage = !stepShown_ || status.step != lastStep_;
        if (newStage) stageStart_ = now;
        stepShown_ = true;
        lastStep_ = status.step;
        const bool bytes = ShowsBytes(activity_, status.step);
        const std::uint64_t done = bytes ? status.bytesDone : 0;
        const std::uint64_t total = bytes ? status.bytesTotal : 0;
        if (inPlace_) {
            if (!newStage && now - lastWrite_ < kRewriteSeconds) return;
            const std::string text =
                FormatProgressLine(TerminalWidth(), stage, done, total, now - stageStart_);
            if (text == last_) return;
            if (erases_) {
                std::fprintf(stderr, "\r%s\033[K", text.c_str());
            } else {  // blanks over what the longer last line left
                const std::size_t pad = last_.size() > text.size() ? last_.size() - text.size() : 0;
                std::fprintf(stderr, "\r%s%*s", text.c_str(), static_cast<int>(pad), "");
            }
            last_ = text;
        } else {
            if (!schedule_.Due(status.step, done, total, now)) return;
            std::fprintf(stderr, "%s\n",
                         FormatProgressLine(0, stage, done, total, now - stageStart_).c_str());
        }
        std::fflush(stderr);
        lastWrite_ = now;
    }

  private:
    Activity activity_;
    bool shown_ = true;
    bool inPlace_ = false;
    bool erases_ = false;  // the terminal takes "\033[K"
    bool stepShown_ = false;
    std::uint32_t lastStep_ = 0;
    double stageStart_ = 0;
    double lastWrite_ = 0;
    std::string last_;  // on a terminal: the text the line holds
    PlainProgressSchedule schedule_;
};

}  // namespace

WaitResult WaitForOperation(const Library& library, Activity activity, int boundSeconds) {
    ProgressLine progress(activity);
    StatusRecord last{};
    double lastChange = Now();
    for (bool first = true;; first = false) {
        if (InterruptReceived() != Interrupt::kNone) return WaitResult::kInterrupted;
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
        PauseMilliseconds(kPollMilliseconds);
    }
}

}  // namespace vkt::cli
