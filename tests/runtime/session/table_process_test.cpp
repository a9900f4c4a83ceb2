// The session table across real processes (table_helper): creation and joining, one session
// per machine, reclaiming the slot of a killed holder, a never-initialised table, and two
// processes that start at the same instant.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <memory>
#include <string>

#include "runtime/process/process_state.h"
#include "runtime/table/shared_table.h"
#include "runtime/table/table_access.h"
#include "table_test_support.h"

namespace vkt::runtime {
namespace {

using table_testing::Helper;
using table_testing::NumberAfter;
using table_testing::RawObject;
using table_testing::ShmNamespace;

const SessionSlot& SlotIn(const RawObject& table) {
    return *reinterpret_cast<const SessionSlot*>(table.Data());
}

TEST(TableAcrossProcesses, TheFirstProcessInitialisesAndASecondJoinsWithoutChangingIt) {
    ShmNamespace names;
    Helper first({"load", "free", "claim", "hold"});
    EXPECT_EQ(first.Line(), "load 1 created=1 mutexinit=1");
    EXPECT_EQ(first.Line(), "free 1");
    const int id = NumberAfter(first.Line(), "claim");
    ASSERT_GT(id, 0);
    ASSERT_EQ(first.Line(), "hold");

    RawObject table = RawObject::Open(names.TableName(), kTableSize);
    ASSERT_NE(table.Data(), nullptr);
    EXPECT_EQ(SlotIn(table).sessionId, id);
    EXPECT_EQ(SlotIn(table).ownerPid, first.Pid());
    const auto before = table.Snapshot();

    Helper second({"load", "free", "unload"});
    EXPECT_EQ(second.Line(), "load 1 created=0 mutexinit=0");
    EXPECT_EQ(second.Line(), "free 0");
    EXPECT_EQ(second.Line(), "unload");
    EXPECT_EQ(second.Wait(), 0);
    EXPECT_EQ(table.Snapshot(), before);

    first.Finish();
    EXPECT_EQ(first.Wait(), 0);
}

TEST(TableAcrossProcesses, OneSessionPerMachineUntilItsHolderReleasesIt) {
    ShmNamespace names;
    Helper holder({"load", "claim", "hold", "unload"});
    ASSERT_EQ(holder.Line(), "load 1 created=1 mutexinit=1");
    const int id = NumberAfter(holder.Line(), "claim");
    ASSERT_GT(id, 0);
    ASSERT_EQ(holder.Line(), "hold");

    // Another process is refused, and cannot end the holder's session with its id.
    Helper other({"load", "free", "claim", "release", std::to_string(id), "free"});
    EXPECT_EQ(other.Line(), "load 1 created=0 mutexinit=0");
    EXPECT_EQ(other.Line(), "free 0");
    EXPECT_EQ(other.Line(), "claim -1");
    EXPECT_EQ(other.Line(), "release 0");
    EXPECT_EQ(other.Line(), "free 0");
    EXPECT_EQ(other.Wait(), 0);

    // The holder unloads the library still holding the session: unloading releases it.
    holder.Finish();
    EXPECT_EQ(holder.Line(), "unload");
    EXPECT_EQ(holder.Wait(), 0);

    Helper next({"load", "free", "claim"});
    EXPECT_EQ(next.Line(), "load 1 created=0 mutexinit=0");
    EXPECT_EQ(next.Line(), "free 1");
    EXPECT_GT(NumberAfter(next.Line(), "claim"), 0);
    EXPECT_EQ(next.Wait(), 0);
}

TEST(TableAcrossProcesses, ASlotHeldByAKilledProcessCanBeClaimedAgain) {
    ShmNamespace names;
    Helper holder({"load", "claim", "hold"});
    ASSERT_EQ(holder.Line(), "load 1 created=1 mutexinit=1");
    ASSERT_GT(NumberAfter(holder.Line(), "claim"), 0);
    ASSERT_EQ(holder.Line(), "hold");

    ASSERT_TRUE(LibraryLoad());
    EXPECT_FALSE(TableAccess(Process().table, nullptr).HasFreeSlot());
    holder.Kill();
    // Killed but not yet reaped (a zombie): it will never release the slot.
    for (int i = 0; i < 10000 && !TableAccess(Process().table, nullptr).HasFreeSlot(); ++i)
        usleep(1000);
    EXPECT_TRUE(TableAccess(Process().table, nullptr).HasFreeSlot());
    LibraryUnload();
    EXPECT_EQ(holder.Wait(), 128 + SIGKILL);

    Helper next({"load", "free", "claim"});
    EXPECT_EQ(next.Line(), "load 1 created=0 mutexinit=0");
    EXPECT_EQ(next.Line(), "free 1");
    const int id = NumberAfter(next.Line(), "claim");
    EXPECT_GT(id, 0);
    EXPECT_EQ(next.Wait(), 0);
    RawObject table = RawObject::Open(names.TableName(), kTableSize);
    ASSERT_NE(table.Data(), nullptr);
    EXPECT_EQ(SlotIn(table).sessionId, id);
    EXPECT_EQ(SlotIn(table).ownerPid, next.Pid());
}

TEST(TableAcrossProcesses, ATableNeverInitialisedShowsItsSlotInUse) {
    ShmNamespace names;
    RawObject table = RawObject::Create(names.TableName(), kTableSize);
    ASSERT_NE(table.Data(), nullptr);

    Helper process({"load", "free", "claim"});
    EXPECT_EQ(process.Line(), "load 1 created=0 mutexinit=1");
    EXPECT_EQ(process.Line(), "free 0");
    EXPECT_EQ(process.Line(), "claim -1");
    EXPECT_EQ(process.Wait(), 0);
    EXPECT_EQ(table.Snapshot(), std::vector<unsigned char>(kTableSize, 0));
}

TEST(TableAcrossProcesses, TwoProcessesStartingTogetherInitialiseOnce) {
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ShmNamespace names;
        int barrier[2];
        ASSERT_EQ(pipe2(barrier, O_CLOEXEC), 0);
        std::unique_ptr<Helper> helpers[2];
        for (auto& helper : helpers)
            helper = std::make_unique<Helper>(
                std::vector<std::string>{"start", "load", "claim", "hold"}, barrier[0]);
        close(barrier[0]);
        close(barrier[1]);  // both start now

        int creators = 0, initialisers = 0, sessions = 0, sessionId = -1;
        for (auto& helper : helpers) {
            const std::string load = helper->Line();
            ASSERT_EQ(load.rfind("load 1 ", 0), 0u) << load;
            creators += load.find("created=1") != std::string::npos;
            initialisers += load.find("mutexinit=1") != std::string::npos;
            const int id = NumberAfter(helper->Line(), "claim");
            if (id > 0) {
                ++sessions;
                sessionId = id;
            }
            ASSERT_EQ(helper->Line(), "hold");
        }
        EXPECT_EQ(creators, 1);
        EXPECT_EQ(initialisers, 1);
        // A second initialisation after the first claim would have let both claim.
        EXPECT_EQ(sessions, 1);

        RawObject mutex = RawObject::Open(names.MutexName(), 8);
        ASSERT_NE(mutex.Data(), nullptr);
        std::uint32_t state = 0;
        std::memcpy(&state, mutex.Data(), sizeof state);
        constexpr std::uint32_t kMutexReady = 2;  // the state word of a mutex made ready
        EXPECT_EQ(state, kMutexReady);
        RawObject table = RawObject::Open(names.TableName(), kTableSize);
        ASSERT_NE(table.Data(), nullptr);
        EXPECT_EQ(SlotIn(table).sessionId, sessionId);

        for (auto& helper : helpers) {
            helper->Finish();
            EXPECT_EQ(helper->Wait(), 0);
        }
    }
}

}  // namespace
}  // namespace vkt::runtime
