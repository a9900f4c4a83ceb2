// A disconnect releases the session through the protocol's release hooks, like every other
// release: the part file the slot still names is deleted and the session key destroyed.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "crypto/crypto.h"
#include "protocol/disconnect.h"
#include "protocol/dispatch.h"
#include "protocol/request_part_file.h"
#include "runtime/process/process_state.h"
#include "runtime/table/shared_table.h"
#include "runtime/table/table_access.h"

namespace vkt::protocol {
namespace {

// The library loaded over a session table of its own, and a scratch destination folder.
class DisconnectRelease : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("VKT_SHM_PREFIX", prefix_.c_str(), 1);
        ASSERT_TRUE(runtime::LibraryLoad());
        ASSERT_NE(mkdtemp(folder_), nullptr);
    }
    void TearDown() override {
        runtime::LibraryUnload();
        for (const char* kind : {"Tabla", "Mutex"}) {
            shm_unlink(("/" + prefix_ + kind + "." + std::to_string(geteuid())).c_str());
        }
        unsetenv("VKT_SHM_PREFIX");
        rmdir(folder_);
    }

    const std::string prefix_ = "VKTdisc" + std::to_string(getpid()) + "_";
    char folder_[32] = "/tmp/vkt_disconnect_XXXXXX";
};

TEST_F(DisconnectRelease, DeletesThePartFileAndDestroysTheKey) {
    InstallDispatch();  // as the connect that claims a slot does first
    runtime::ProcessState& process = runtime::Process();
    runtime::KeyLocation location{};
    const std::int32_t id = runtime::TableAccess(process.table, nullptr).ClaimSlot("ana", location);
    ASSERT_GT(id, 0);

    runtime::SessionSlot& slot = *process.table->Slot();
    std::snprintf(slot.destinationDirectory, sizeof slot.destinationDirectory, "%s", folder_);
    std::snprintf(slot.currentFileName, sizeof slot.currentFileName, "lista.bin");
    char part[PATH_MAX];
    ASSERT_TRUE(SlotPartFile(part, sizeof part));
    std::FILE* file = std::fopen(part, "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    crypto::Handle key = 0;
    ASSERT_EQ(crypto::CryptoKeyCreate(&key, crypto::kAlgDes, "133457799bbcdff1", crypto::kMaskHex),
              crypto::kOk);
    slot.sessionKey = key;

    EXPECT_EQ(DisconnectSession(id), 0);
    EXPECT_NE(access(part, F_OK), 0) << part;
    EXPECT_NE(crypto::CryptoKeyFree(key), crypto::kOk) << "the key is gone";
    EXPECT_EQ(slot.slotState, runtime::kSlotFree);
    EXPECT_EQ(process.status->GetActivity(), runtime::kActivityIdle);
}

}  // namespace
}  // namespace vkt::protocol
