// The text of vkt's progress line at several widths, and when plain lines are printed.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cli/progress_line.h"

namespace vkt::cli {
namespace {

constexpr std::uint64_t kKiB = 1024;
constexpr std::uint64_t kMiB = 1024 * kKiB;

TEST(ProgressLineTest, FitsTheWidthDroppingTheLeastNeededFirst) {
    struct Case {
        std::size_t width;
        const char* stage;
        std::uint64_t done;
        std::uint64_t total;
        double elapsed;
        const char* text;
    };
    // 1.5 MiB of 4 MiB in 3 s: 512 KiB/s, 2.5 MiB to go in 5 s.
    const Case cases[] = {
        {200, "sending the file", 3 * kMiB / 2, 4 * kMiB, 3,
         "vkt: sending the file 37% 1.5 MiB/4.0 MiB 512.0 KiB/s 5s left"},
        {80, "sending the file", 3 * kMiB / 2, 4 * kMiB, 3,
         "vkt: sending the file 37% 1.5 MiB/4.0 MiB 512.0 KiB/s 5s left"},
        {61, "sending the file", 3 * kMiB / 2, 4 * kMiB, 3,
         "vkt: sending the file 37% 1.5 MiB/4.0 MiB 512.0 KiB/s"},
        {50, "sending the file", 3 * kMiB / 2, 4 * kMiB, 3,
         "vkt: sending the file 37% 1.5 MiB/4.0 MiB"},
        {40, "sending the file", 3 * kMiB / 2, 4 * kMiB, 3, "vkt: 37% 1.5 MiB/4.0 MiB"},
        {20, "sending the file", 3 * kMiB / 2, 4 * kMiB, 3, "vkt: 37%"},
        {6, "sending the file", 3 * kMiB / 2, 4 * kMiB, 3, "vkt: "},
        {0, "sending the file", 3 * kMiB / 2, 4 * kMiB, 3,
         "vkt: sending the file 37% 1.5 MiB/4.0 MiB 512.0 KiB/s 5s left"},
        // Unknown total: bytes and rate, no percent, no time left.
        {80, "receiving the file", 3 * kMiB, 0, 2, "vkt: receiving the file 3.0 MiB 1.5 MiB/s"},
        {40, "receiving the file", 3 * kMiB, 0, 2, "vkt: receiving the file 3.0 MiB"},
        // No rate yet: nothing moved, or too soon to tell.
        {80, "sending the file", 0, 4 * kMiB, 3, "vkt: sending the file 0% 0 B/4.0 MiB"},
        {80, "sending the file", kMiB, 4 * kMiB, 0.1, "vkt: sending the file 25% 1.0 MiB/4.0 MiB"},
        // Long waits in minutes and hours; a stage without bytes.
        {80, "sending the file", 100 * kKiB, 10 * kMiB, 1,
         "vkt: sending the file 0% 100.0 KiB/10.0 MiB 100.0 KiB/s 1m41s left"},
        {80, "receiving the file", kMiB, 4096 * kMiB, 1,
         "vkt: receiving the file 0% 1.0 MiB/4.0 GiB 1.0 MiB/s 1h08m left"},
        {80, "checking the file", 0, 0, 5, "vkt: checking the file"},
        {10, "awaiting the server's acceptance", 0, 0, 5, "vkt: awai"},
    };
    for (const Case& c : cases) {
        const std::string text = FormatProgressLine(c.width, c.stage, c.done, c.total, c.elapsed);
        EXPECT_EQ(text, c.text) << "width " << c.width;
        if (c.width > 0) {
            EXPECT_LT(text.size(), c.width);
        }
    }
}

TEST(ProgressLineTest, PlainLinesAtEachStageTenthOrFiveSeconds) {
    struct Poll {
        std::uint32_t stage;
        std::uint64_t done;
        double now;
        bool due;
    };
    const std::uint64_t total = 1000;
    const Poll polls[] = {
        {1, 0, 0.0, true},      // the first stage
        {1, 0, 9.0, false},     // nothing moves: no repeat
        {3, 0, 9.1, true},      // a new stage
        {3, 50, 9.2, false},    // within the first tenth
        {3, 99, 9.3, false},    // still
        {3, 100, 9.4, true},    // a tenth
        {3, 150, 10.0, false},  // within it
        {3, 190, 14.5, true},   // 5 s since the last line
        {3, 195, 15.0, false},  // soon after
        {3, 450, 15.1, true},   // two tenths at once: one line
        {3, 480, 15.2, false},  // within the fourth
        {3, 1000, 15.3, true},  // the end
        {4, 0, 15.4, true},     // the next stage
    };
    PlainProgressSchedule schedule;
    for (const Poll& poll : polls) {
        EXPECT_EQ(schedule.Due(poll.stage, poll.done, total, poll.now), poll.due)
            << poll.done << " at " << poll.now;
    }
    // Unknown total: time alone.
    PlainProgressSchedule unknown;
    EXPECT_TRUE(unknown.Due(3, 0, 0, 0));
    EXPECT_FALSE(unknown.Due(3, 900000, 0, 4.9));
    EXPECT_TRUE(unknown.Due(3, 1000000, 0, 5.0));
}

TEST(ProgressLineTest, BytesInHumanUnitsAndModesByName) {
    const std::pair<std::uint64_t, const char*> sizes[] = {
        {0, "0 B"},        {1023, "1023 B"},      {1024, "1.0 KiB"},
        {1536, "1.5 KiB"}, {5 * kMiB, "5.0 MiB"}, {3 * 1024 * kMiB, "3.0 GiB"},
    };
    for (const auto& [bytes, text] : sizes) EXPECT_EQ(HumanBytes(bytes), text);
    EXPECT_EQ(ProgressModeNamed("auto"), ProgressMode::kAuto);
    EXPECT_EQ(ProgressModeNamed("always"), ProgressMode::kAlways);
    EXPECT_EQ(ProgressModeNamed("never"), ProgressMode::kNever);
    EXPECT_EQ(ProgressModeNamed("Always"), std::nullopt);
}

}  // namespace
}  // namespace vkt::cli
