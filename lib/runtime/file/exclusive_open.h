// Opening a regular file with no sharing: the common step of the file object and the helpers.
#pragma once

#include <sys/types.h>

#include "runtime/file/file_object.h"

namespace vkt::runtime {

// O_RDONLY, O_WRONLY or O_RDWR for access; -1 for a value outside FileAccess.
int OpenFlagsFor(FileAccess access);

// open(name, flags | O_CLOEXEC, mode), then an exclusive flock taken without waiting. A file
// on which another open file holds a conflicting record lock (fcntl, lockf or open-file-
// description lock: any lock against a write access, a write lock against a read-only one) is
// refused with EWOULDBLOCK like a flocked one. Only regular files are accepted (EISDIR for a
// directory, EINVAL for anything else; the open itself never blocks on a FIFO). Returns 0 with
// *fd set, or an errno value with nothing left open.
int OpenExclusive(const char* name, int flags, mode_t mode, int* fd);

}  // namespace vkt::runtime
