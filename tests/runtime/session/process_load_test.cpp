// Loading and unloading the library in a process: a second load is harmless, unloading leaves
// nothing mapped, and every way loading can fail leaves no named object open and removes the
// table it created (nobody would ever initialise it).
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "runtime/process/process_state.h"
#include "runtime/table/shared_table.h"
#include "runtime/table/table_access.h"
#include "table_test_support.h"

namespace vkt::runtime {
namespace {

using table_testing::MappingsNaming;
using table_testing::ObjectExists;
using table_testing::ObjectSize;
using table_testing::OpenDescriptorsNaming;
using table_testing::RawObject;
using table_testing::ShmNamespace;

bool NothingLoaded() {
    const ProcessState& state = Process();
    return state.table == nullptr && state.errors == nullptr && state.status == nullptr &&
           state.connection == nullptr;
}

TEST(LibraryLoad, ASecondLoadChangesNothingAndUnloadLeavesNothingMapped) {
    ShmNamespace names;
    ASSERT_TRUE(LibraryLoad());
    SharedTable* table = Process().table;
    ErrorList* errors = Process().errors;
    ASSERT_NE(table, nullptr);
    ASSERT_NE(errors, nullptr);
    ASSERT_NE(Process().status, nullptr);
    EXPECT_EQ(MappingsNaming(names.Prefix()), 2);  // the table and the mutex
    EXPECT_EQ(OpenDescriptorsNaming(names.Prefix()), 0);

    EXPECT_TRUE(LibraryLoad());
    EXPECT_EQ(Process().table, table);
    EXPECT_EQ(Process().errors, errors);
    EXPECT_EQ(MappingsNaming(names.Prefix()), 2);

    LibraryUnload();
    EXPECT_TRUE(NothingLoaded());
    EXPECT_EQ(MappingsNaming(names.Prefix()), 0);
    LibraryUnload();  // harmless when not loaded
    // The named objects stay for other processes.
    EXPECT_TRUE(ObjectExists(names.TableName()));
    EXPECT_TRUE(ObjectExists(names.MutexName()));
}

TEST(LibraryLoad, UnloadingEndsTheSessionThisProcessStillHolds) {
    ShmNamespace names;
    ASSERT_TRUE(LibraryLoad());
    KeyLocation key{};
    const std::int32_t id = TableAccess(Process().table, nullptr).ClaimSlot("ana", key);
    ASSERT_GT(id, 0);
    LibraryUnload();

    RawObject table = RawObject::Open(names.TableName(), kTableSize);
    ASSERT_NE(table.Data(), nullptr);
    const auto& slot = *reinterpret_cast<const SessionSlot*>(table.Data());
    EXPECT_EQ(slot.slotState, kSlotFree);
    EXPECT_EQ(slot.sessionId, -1);
}

// The mutex object: the state word, padding to 8, the native mutex.
constexpr std::size_t kMutexObjectSize = 8 + sizeof(pthread_mutex_t);
constexpr std::uint32_t kMutexInitialising = 1;  // the object's state word while initialised

#ifdef VKT_SHARED_LIBRARY
// The library is never unmapped by dlclose (its process-wide state and its threads' code must
// stay valid): closing it leaves the runtime running, and opening it again finds the same one.
TEST(SharedLibrary, OpeningItStartsTheRuntimeAndClosingItKeepsIt) {
    ShmNamespace names;
    void* library = dlopen(VKT_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    EXPECT_EQ(MappingsNaming(names.Prefix()), 2);  // its constructor mapped table and mutex
    {
        RawObject table = RawObject::Open(names.TableName(), kTableSize);
        ASSERT_NE(table.Data(), nullptr);
        EXPECT_EQ(reinterpret_cast<const SessionSlot*>(table.Data())->slotState, kSlotFree);
    }
    EXPECT_EQ(dlclose(library), 0);
    EXPECT_EQ(MappingsNaming(names.Prefix()), 2);  // still loaded: nothing was stopped
    void* again = dlopen(VKT_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    EXPECT_EQ(again, library);
    if (again != nullptr) dlclose(again);
    EXPECT_EQ(MappingsNaming(names.Prefix()), 2);
    EXPECT_TRUE(NothingLoaded());  // the library's state is its own, not the archive's
}
#endif

struct FailureCase {
    const char* what;
    // Prepares the namespace; false when this machine cannot set the case up.
    std::function<bool(const ShmNamespace&)> prepare;
    bool tableRemains;  // the table existed before (else the failed load must remove it)
};

// A mutex object of the right size whose state word says "being initialised" forever.
bool StuckMutex(const ShmNamespace& names) {
    RawObject mutex = RawObject::Create(names.MutexName(), kMutexObjectSize);
    if (mutex.Data() == nullptr) return false;
    const std::uint32_t initialising = kMutexInitialising;
    std::memcpy(mutex.Data(), &initialising, sizeof initialising);
    return true;
}

TEST(LibraryLoad, AFailedLoadLeavesNoNamedObjectOpenAndNoTableBehind) {
    const FailureCase cases[] = {
        {"mutex object of the wrong size",
         [](const ShmNamespace& n) {
             return RawObject::Create(n.MutexName(), 1).Data() != nullptr;
         },
         false},
        {"existing table, mutex object of the wrong size",
         [](const ShmNamespace& n) {
             return RawObject::Create(n.TableName(), kTableSize).Data() != nullptr &&
                    RawObject::Create(n.MutexName(), 4096).Data() != nullptr;
         },
         true},
        {"mutex whose initialiser died half-way", StuckMutex, false},
        {"mutex object others may read and write",
         [](const ShmNamespace& n) {
             return RawObject::Create(n.MutexName(), kMutexObjectSize, 0666).Data() != nullptr;
         },
         false},
        {"mutex object of another user",
         [](const ShmNamespace& n) {
             RawObject mutex = RawObject::Create(n.MutexName(), kMutexObjectSize);
             if (mutex.Data() == nullptr) return false;
             const int fd = shm_open(n.MutexName().c_str(), O_RDWR, 0);
             const bool changed =
                 fd >= 0 && fchown(fd, geteuid() + 1000, static_cast<gid_t>(-1)) == 0;
             if (fd >= 0) close(fd);
             return changed;  // needs root
         },
         false},
        {"table object of the wrong size",
         [](const ShmNamespace& n) {
             return RawObject::Create(n.TableName(), 100).Data() != nullptr;
         },
         true},
        {"table object never sized by its creator",
         [](const ShmNamespace& n) {
             RawObject::Create(n.TableName(), 0);
             return ObjectSize(n.TableName()) == 0;
         },
         true},
        {"prefix holding a slash",
         [](const ShmNamespace& n) {
             return setenv("VKT_SHM_PREFIX", (n.Prefix() + "/x").c_str(), 1) == 0;
         },
         false},
    };
    for (const FailureCase& test : cases) {
        SCOPED_TRACE(test.what);
        ShmNamespace names;
        if (!test.prepare(names)) {
            ADD_FAILURE() << "could not set up (needs root for another user's object)";
            continue;
        }
        const long mutexSizeBefore = ObjectSize(names.MutexName());

        EXPECT_FALSE(LibraryLoad());
        EXPECT_TRUE(NothingLoaded());
        EXPECT_EQ(OpenDescriptorsNaming(names.Prefix()), 0);
        EXPECT_EQ(MappingsNaming(names.Prefix()), 0);
        EXPECT_EQ(ObjectExists(names.TableName()), test.tableRemains);
        // Somebody else's mutex object is left exactly as it was.
        EXPECT_EQ(ObjectSize(names.MutexName()), mutexSizeBefore);
    }
}

}  // namespace
}  // namespace vkt::runtime
