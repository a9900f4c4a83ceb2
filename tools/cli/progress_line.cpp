#include "cli/progress_line.h"

#include <cstdio>
#include <vector>

namespace vkt::cli {
namespace {

// Below this a rate is mostly the noise of the first packets.
constexpr double kRateAfterSeconds = 0.5;
constexpr double kPlainEverySeconds = 5.0;

std::string Duration(double seconds) {
    const auto whole = static_cast<unsigned long long>(seconds + 0.5);
    char text[32];
    if (whole < 60) {
        std::snprintf(text, sizeof text, "%llus", whole);
    } else if (whole < 3600) {
        std::snprintf(text, sizeof text, "%llum%02llus", whole / 60, whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%lluh%02llum", whole / 3600, whole / 60 % 60);
    }
    return text;
}

std::string Joined(const std::vector<std::string>& parts) {
    std::string text = "vkt:";
    for (const std::string& part : parts) {
        if (!part.empty()) text += " " + part;
    }
    return text;
}

}  // namespace

std::optional<ProgressMode> ProgressModeNamed(const std::string& name) {
    if (name == "auto") return ProgressMode::kAuto;
    if (name == "always") return ProgressMode::kAlways;
    if (name == "never") return ProgressMode::kNever;
    return std::nullopt;
}

std::string HumanBytes(std::uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " B";
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < sizeof kUnits / sizeof kUnits[0]) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string FormatProgressLine(std::size_t width, const std::string& stage, std::uint64_t done,
                               std::uint64_t total, double elapsedSeconds) {
    std::string percent;
    std::string bytes;
    std::string rate;
    std::string left;
    if (total > 0) {
        const std::uint64_t shown = done < total ? done : total;
        percent = std::to_string(static_cast<unsigned>(shown * 100 / total)) + "%";
        bytes = HumanBytes(shown) + "/" + HumanBytes(total);
    } else if (done > 0) {
        bytes = HumanBytes(done);
    }
    if (done > 0 && elapsedSeconds >= kRateAfterSeconds) {
        const double perSecond = static_cast<double>(done) / elapsedSeconds;
        rate = HumanBytes(static_cast<std::uint64_t>(perSecond)) + "/s";
        if (total > done) left = Duration(static_cast<double>(total - done) / perSecond) + " left";
    }
    // From the fullest text to the barest; the first that fits is shown.
    const std::vector<std::vector<std::string>> choices = {
        {stage, percent, bytes, rate, left},
        {stage, percent, bytes, rate},
        {stage, percent, bytes},
        {percent, bytes},
        {percent},
    };
    std::string barest;
    for (const std::vector<std::string>& parts : choices) {
        const std::string text = Joined(parts);
        if (text == "vkt:") continue;  // a stage without bytes keeps its text
        if (width == 0 || text.size() < width) return text;
        barest = text;
    }
    return barest.substr(0, width - 1);
}

bool PlainProgressSchedule::Due(std::uint32_t stage, std::uint64_t done, std::uint64_t total,
                                double nowSeconds) {
    const std::uint64_t tenth = total > 0 ? (done < total ? done : total) * 10 / total : 0;
    const bool due = !printed_ || stage != stage_ || tenth > tenth_ ||
                     (done != done_ && nowSeconds - last_ >= kPlainEverySeconds);
    if (due) {
        printed_ = true;
        stage_ = stage;
        tenth_ = tenth;
        done_ = done;
        last_ = nowSeconds;
    }
    return due;
}

}  // namespace vkt::cli
