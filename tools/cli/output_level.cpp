#include "cli/output_level.h"

namespace vkt::cli {
namespace {

OutputLevel level = OutputLevel::kNormal;

}  // namespace

void SetOutputLevel(OutputLevel newLevel) {
    level = newLevel;
}

OutputLevel CurrentOutputLevel() {
    return level;
}

}  // namespace vkt::cli
