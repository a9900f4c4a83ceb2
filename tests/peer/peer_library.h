// The library as the peer cases use it: libVKT32.so loaded once per process with dlopen (with a
// session table of the process's own), key files made by vkt-keygen, temporary folders, and
// waiting for the asynchronous end of an operation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "support/vkt_exports.h"
#include "vkt32.h"

namespace vkt::peer {

using Library = testing::VktExports;
using testing::MakeKey;
using testing::TempDir;

// Loaded at first use; an export the library lacks stays null.
const Library& Vkt();

StatusRecord Estado();
// Polls VKTEstado until activity is no longer 2 (at most ms); the last record read.
StatusRecord WaitForEnd(int ms);
// VKTError: the records recorded since the last read (reading empties the list).
std::vector<ErrorRecord> Errors();

}  // namespace vkt::peer
