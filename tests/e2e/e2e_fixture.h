// What the end-to-end tests share: the library loaded once per process with a session table of
// that process's own, a vkt-server process, key files made by vkt-keygen, and waiting for the
// asynchronous end of an operation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "support/vkt_exports.h"
#include "vkt32.h"

namespace vkt::e2e {

using Library = testing::VktExports;
using Server = testing::ServerProcess;
using testing::Bytes;
using testing::ClosedPort;
using testing::CopyFile;
using testing::FileExists;
using testing::ListFolder;
using testing::MakeKey;
using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;

// libVKT32.so, opened at first use after VKT_SHM_PREFIX is set (from VKT_E2E_SHM_PREFIX when a
// parent test passes its own, else one for this process). Fails the test when it cannot load.
const Library& Vkt();
std::string ShmPrefix();

// Polls VKTEstado until activity is no longer 2 (at most seconds); the last record read.
StatusRecord WaitForEnd(int seconds = 20);
StatusRecord Estado();
std::vector<ErrorRecord> Errors();

}  // namespace vkt::e2e
