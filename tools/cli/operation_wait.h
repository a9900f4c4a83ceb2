// Waiting for an operation that the library completes on its own thread: VKTEstado polled every
// 5 ms, progress shown on standard error while a transfer runs.
#pragma once

#include "cli/library_binding.h"

namespace vkt::cli {

enum class Activity { kConnect, kSend, kGet };

enum class WaitResult {
    kEnded,        // activity 0: the operation ended well
    kFailed,       // activity 1: the library recorded why
    kStalled,      // the status did not change for the whole bound
    kInterrupted,  // an interrupt or termination request arrived (interrupt.h)
};

// Polls until the activity leaves 2. The bound counts from the last change of step or bytes,
// so a long transfer that moves never trips it. Connects show no progress; sends and gets show
// their stage, bytes and rate (progress_line.h) as --progress says: one line rewritten in place
// to the terminal's width, or plain lines at each stage and every tenth or 5 s.
WaitResult WaitForOperation(const Library& library, Activity activity, int boundSeconds);

}  // namespace vkt::cli
