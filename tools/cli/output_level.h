// How much vkt tells on standard error besides its errors: -q (nothing else), the default
// (stages, progress, outcome lines and warnings), or -v (also every change of the library's
// status step). Set once, from the command line, before a command runs.
#pragma once

#include "cli/progress_line.h"

namespace vkt::cli {

enum class OutputLevel { kQuiet, kNormal, kVerbose };

void SetOutputLevel(OutputLevel level);
OutputLevel CurrentOutputLevel();

// --progress; -q shows none whatever it says.
void SetProgressMode(ProgressMode mode);
ProgressMode CurrentProgressMode();

inline bool Quiet() {
    return CurrentOutputLevel() == OutputLevel::kQuiet;
}

}  // namespace vkt::cli
