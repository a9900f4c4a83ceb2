#include "cli/output_level.h"

namespace vkt::cli {
namespace {

OutputLevel level = OutputLevel::kNormal;
ProgressMode progress = ProgressMode::kAuto;

}  // namespace

void SetOutputLevel(OutputLevel newLevel) {
    level = newLevel;
}

OutputLevel CurrentOutputLevel() {
    return level;
}

void SetProgressMode(ProgressMode mode) {
    progress = mode;
}

ProgressMode CurrentProgressMode() {
    return progress;
}

}  // namespace vkt::cli
