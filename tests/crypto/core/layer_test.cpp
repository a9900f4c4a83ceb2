// The handle table and the wiping allocator.
#include "crypto/core/layer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "crypto/core/alloc.h"

// The allocator's fatal path is tested by asking for an impossible size; the sanitizer's
// allocator must then return null like the system's instead of aborting.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

namespace vkt::crypto {
namespace {

TEST(HandleTable, FillsUpReusesAndRefusesStaleHandles) {
    int objects[256];
    std::vector<Handle> handles;
    for (int i = 0; i < 256; ++i) {
        const Handle h = CryptoHandleNew();
        ASSERT_NE(h, 0u) << i;
        EXPECT_NE(h >> 8, 0u);
        CryptoHandleAttach(h, &objects[i], kTypeDigest);
        handles.push_back(h);
    }
    EXPECT_EQ(CryptoHandleNew(), 0u) << "a 257th handle";

    const Handle freed = handles[100];
    EXPECT_EQ(CryptoHandleRelease(freed, kTypeSymKey), nullptr) << "wrong type must not release";
    EXPECT_EQ(CryptoHandleRelease(freed, kTypeDigest), &objects[100]);
    EXPECT_EQ(CryptoHandleLookup(freed, kTypeDigest), nullptr);

    const Handle again = CryptoHandleNew();
    EXPECT_EQ(again & 0xFF, freed & 0xFF) << "the only free entry is reused";
    EXPECT_NE(again, freed) << "with a newly drawn value";
    CryptoHandleAttach(again, &objects[100], kTypeSymKey);
    EXPECT_EQ(CryptoHandleLookup(freed, kTypeSymKey), nullptr) << "stale handle";
    EXPECT_EQ(CryptoHandleLookup(again, kTypeDigest), nullptr) << "wrong type";
    EXPECT_EQ(CryptoHandleLookup(again, kTypeSymKey | kTypeDigest), &objects[100]);
    handles[100] = again;

    for (Handle h : handles) EXPECT_NE(CryptoHandleRelease(h, 0xFFFFFFFF), nullptr);
    EXPECT_EQ(CryptoHandleLookup(0, 0xFFFFFFFF), nullptr);
}

TEST(HandleTable, AHandleTakenButNeverAttachedCanBeGivenBack) {
    const Handle h = CryptoHandleNew();
    ASSERT_NE(h, 0u);
    EXPECT_EQ(CryptoHandleType(h), 0u);
    EXPECT_EQ(CryptoHandleLookup(h, 0xFFFFFFFF), nullptr);
    EXPECT_EQ(CryptoHandleRelease(h, kTypeDigest), nullptr);
    for (int i = 0; i < 256; ++i) {
        const Handle other = CryptoHandleNew();
        ASSERT_NE(other, 0u) << "entry leaked by an unattached release";
        CryptoHandleRelease(other, 0);
    }
}

TEST(Allocator, ZeroFilledGrownInPlaceOrCopied) {
    auto* block = static_cast<unsigned char*>(CryptoAlloc(100));
    EXPECT_EQ(CryptoBlockSize(block), 100u);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(block[i], 0);
    std::memset(block, 0xAB, 100);

    EXPECT_EQ(CryptoRealloc(block, 60), block) << "room enough: same block";
    EXPECT_EQ(block[99], 0xAB);

    auto* grown = static_cast<unsigned char*>(CryptoRealloc(block, 300));
    EXPECT_EQ(CryptoBlockSize(grown), 300u);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(grown[i], 0xAB);
    for (int i = 100; i < 300; ++i) ASSERT_EQ(grown[i], 0);
    CryptoFree(grown);
    CryptoFree(nullptr);
}

TEST(Allocator, WipeOnExitClearsTheObject) {
    unsigned char secret[32];
    std::memset(secret, 0x5A, sizeof secret);
    { WipeOnExit<unsigned char[32]> wipe(secret); }
    for (unsigned char c : secret) EXPECT_EQ(c, 0);
}

TEST(AllocatorDeathTest, ExhaustionEndsTheProcessWithTheMemoryMessage) {
    EXPECT_EXIT(CryptoAlloc(SIZE_MAX / 2), ::testing::ExitedWithCode(1), "Falta de Memoria");
    EXPECT_EXIT(CryptoAlloc(SIZE_MAX / 2), ::testing::ExitedWithCode(1), "QUELMOR");
}

}  // namespace
}  // namespace vkt::crypto
