// The text of vkt's progress display, apart from any terminal: one line that fits a width, and
// when a display that cannot rewrite its line (a pipe, a log file) prints the next one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vkt::cli {

// auto: a line rewritten in place when standard error is a terminal, plain lines otherwise;
// always: rewritten in place whatever standard error is; never: no progress at all.
enum class ProgressMode { kAuto, kAlways, kNever };

std::optional<ProgressMode> ProgressModeNamed(const std::string& name);

// 512 B, 12.3 KiB, 4.0 MiB, 1.5 GiB.
std::string HumanBytes(std::uint64_t bytes);

// "vkt: STAGE 42% 1.2 MiB/3.0 MiB 512.0 KiB/s 3s left". The percent needs a known total, the
// rate done bytes after some time, the time left both. The text is at most width - 1 columns
// (the last column is never written, so no terminal wraps); what does not fit goes in this
// order: time left, rate, stage, bytes; then the rest is cut. Width 0: no limit.
std::string FormatProgressLine(std::size_t width, const std::string& stage, std::uint64_t done,
                               std::uint64_t total, double elapsedSeconds);

// When a display without in-place rewriting prints: at each new stage, then each time the bytes
// cross another tenth of the total or, the bytes having moved, 5 s have passed since the last
// line, whichever is first.
class PlainProgressSchedule {
  public:
    bool Due(std::uint32_t stage, std::uint64_t done, std::uint64_t total, double nowSeconds);

  private:
    bool printed_ = false;
    std::uint32_t stage_ = 0;
    std::uint64_t tenth_ = 0;
    std::uint64_t done_ = 0;
    double last_ = 0;
};

}  // namespace vkt::cli
