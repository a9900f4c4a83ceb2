// Recording when no memory can be had: nothing is recorded, nothing already recorded is lost.
// The list allocates its entries with nothrow new; this program replaces that operator so a
// test can make it fail.
#include <gtest/gtest.h>

#include <atomic>
#include <new>

#include "runtime/status/error_list.h"
#include "runtime/status/status_code.h"

namespace {
std::atomic<bool> gFailNothrowNew{false};
}  // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (gFailNothrowNew.load()) return nullptr;
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

namespace vkt::runtime {
namespace {

struct FailingAllocation {
    FailingAllocation() { gFailNothrowNew = true; }
    ~FailingAllocation() { gFailNothrowNew = false; }
};

TEST(ErrorListOutOfMemory, NothingRecordedAndFullListKept) {
    ErrorList list;
    for (std::int32_t code = 40001; code <= 40010; ++code) ASSERT_TRUE(list.Add(code));
    {
        FailingAllocation failing;
        EXPECT_FALSE(list.Add(40033));
        EXPECT_EQ(list.AddServerText("40029-Usuario bloqueado", 23), kNoMemory);
        EXPECT_EQ(list.AddServerText("sin guion", 9), kNoMemory);
    }
    EXPECT_EQ(list.Count(), 10u) << "a failed add must not empty a full list";
    ErrorRecord records[ErrorList::kCapacity];
    ASSERT_EQ(list.CopyOut(records), 10u);
    EXPECT_EQ(records[0].code, 40001);
    EXPECT_EQ(records[9].code, 40010);
}

}  // namespace
}  // namespace vkt::runtime
