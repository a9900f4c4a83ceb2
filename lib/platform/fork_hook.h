// A function that a child process runs right after fork(), before fork returns in it.
//   Linux    pthread_atfork's child handler; each call adds one more.
//   Windows  nothing: a process never starts as a copy of another, so there is no child to
//            warn, and the call does nothing.
//
// Part of the base objects (no dependency on the rest of the library). Threads: any thread.
#pragma once

namespace vkt::platform {

void RunInChildAfterFork(void (*hook)());

}  // namespace vkt::platform
