// The server tests use the shared vkt-server process and file helpers.
#pragma once

#include "support/test_support.h"

namespace vkt::server::test {

using testing::FileExists;
using testing::ListFolder;
using testing::ReadWholeFile;
using testing::ServerProcess;
using testing::WriteWholeFile;

}  // namespace vkt::server::test
