// What the fault tests share: the library loaded once per test process with a session table of
// its own, a vkt-server that knows the user ana (keys made once by vkt-keygen) and answers
// the transfer cycle's verify, a session opened on it, and the ways to look at what the
// library holds: this process's descriptors, whether a file is still locked, the status and
// the errors of the operation that ended.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "support/process_usage.h"
#include "support/test_support.h"
#include "support/vkt_exports.h"
#include "transfer_cycle.h"
#include "vkt32.h"

namespace vkt::faults {

using testing::Bytes;
using testing::FileExists;
using testing::ListFolder;
using testing::ReadWholeFile;
using testing::TempDir;
using testing::WriteWholeFile;

inline constexpr char kUser[] = "ana";
inline constexpr char kPassword[] = "clave";

const testing::VktExports& Vkt();

// Whether another open of path could take the exclusive lock the library takes on the files
// it holds (an open file description of this process's own conflicts with it like another
// process's would).
bool Lockable(const std::string& path);

// The error codes recorded since the last read.
std::vector<int32_t> ErrorCodes();

class FaultTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Starts (or starts again, on the same folders) the server; false when it did not start.
    bool StartServer();
    // Opens session_; false with the errors in the test's failure when it did not open.
    bool Connect();
    // Polls VKTEstado until activity is no longer 2; the last record.
    static StatusRecord WaitForEnd(int seconds = 60);
    // Waits until the running operation is at step with more than bytes done; false when it
    // ended or got no further within 60 s.
    static bool WaitForProgress(std::uint32_t step, std::uint32_t bytes);

    // Waits, at most 30 s, until the server's inbox of the user holds nothing (a partial file
    // of a transfer that never ended is removed); false when something stays.
    bool InboxEmpties() const;

    CycleSetting Cycle() const;
    std::string UserInbox() const { return server_.inbox() + "/" + kUser; }
    std::string UserOutbox() const { return server_.outbox() + "/" + kUser; }
    std::string Path(const std::string& name) const { return work_.path() + "/" + name; }
    // The private-key file the session was opened with: this test's own copy.
    std::string KeyFile() const { return keyCopy_.path() + "/ana.pri"; }

    static TempDir* keys_;
    static bool keysMade_;
    testing::ServerProcess server_;
    TempDir work_;
    TempDir keyCopy_;
    int32_t session_ = 0;
    // This process's descriptors between sessions.
    std::size_t descriptors_ = 0;
};

}  // namespace vkt::faults
