// How much vkt tells on standard error besides its errors: -q (nothing else), the default
// (stages, progress, outcome lines and warnings), or -v (also every change of the library's
// status step). Set once, from the command line, before a command runs.
#pragma once

namespace vkt::cli {

enum class OutputLevel { kQuiet, kNormal, kVerbose };

void SetOutputLevel(OutputLevel level);
OutputLevel CurrentOutputLevel();

inline bool Quiet() {
    return CurrentOutputLevel() == OutputLevel::kQuiet;
}

}  // namespace vkt::cli
