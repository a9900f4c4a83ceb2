// The password's container, shared with the other tools.
#pragma once

#include "common/secret_text.h"

namespace vkt::cli {

using tools::SecretText;
using tools::WipeText;

}  // namespace vkt::cli
