// A short pause of the main thread between polls. On Linux a signal ends it early; on Windows
// the console handler runs on a thread of its own, so the pause runs its length (at most a
// second where vkt pauses) and the flag is seen right after.
#pragma once

namespace vkt::cli {

void PauseMilliseconds(long milliseconds);

}  // namespace vkt::cli
