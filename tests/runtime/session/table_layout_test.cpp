// The session slot's binding byte layout: every field written through the structure lands,
// little-endian, at its fixed offset, and every text field ends where the next one begins.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "runtime/table/session_slot.h"

namespace vkt::runtime {
namespace {

std::uint32_t LittleEndianAt(const unsigned char* bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) |
           static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

TEST(SessionSlotLayout, WordFieldsLandLittleEndianAtTheirOffsets) {
    alignas(8) unsigned char table[kTableSize] = {};
    auto* slot = reinterpret_cast<SessionSlot*>(table);
    slot->slotState = 0x01020304;
    slot->sessionId = -2;
    slot->sessionKey = 0x0A0B0C0D;
    slot->reserved524 = 0x11121314;
    slot->dataSize = 0x21222324;
    slot->fileKind = 0x31323334;
    slot->fileHandle = 0x41424344;
    slot->fileLocked = 0x51525354;
    slot->keyOffset = 0x61626364;
    slot->keyLength = 0x71727374;
    slot->ownerPid = 0x01234567;
    slot->ownerStartTime = 0x89ABCDEF;
    slot->keepAliveTimer = 0x0F0E0D0C;
    slot->idleWatchdog = 0x1F1E1D1C;

    const struct {
        std::size_t offset;
        std::uint32_t value;
    } expected[] = {
        {0, 0x01020304},    {4, 0xFFFFFFFE},    {8, 0x0A0B0C0D},    {524, 0x11121314},
        {528, 0x21222324},  {532, 0x31323334},  {536, 0x41424344},  {540, 0x51525354},
        {1056, 0x61626364}, {1060, 0x71727374}, {1064, 0x01234567}, {1068, 0x89ABCDEF},
        {1072, 0x0F0E0D0C}, {1076, 0x1F1E1D1C},
    };
    for (const auto& field : expected) {
        EXPECT_EQ(LittleEndianAt(table, field.offset), field.value) << "offset " << field.offset;
    }
    EXPECT_EQ(table[0], 0x04);  // least significant byte first
}

TEST(SessionSlotLayout, TextFieldsFillExactlyTheirRanges) {
    alignas(8) unsigned char table[kTableSize] = {};
    auto* slot = reinterpret_cast<SessionSlot*>(table);
    std::memset(slot->userName, 'u', sizeof slot->userName);
    std::memset(slot->currentFileName, 'c', sizeof slot->currentFileName);
    std::memset(slot->destinationDirectory, 'd', sizeof slot->destinationDirectory);
    std::memset(slot->keyDirectory, 'k', sizeof slot->keyDirectory);

    const struct {
        std::size_t begin, end;  // [begin, end)
        unsigned char fill;
    } ranges[] = {{12, 267, 'u'}, {267, 524, 'c'}, {544, 799, 'd'}, {799, 1056, 'k'}};
    for (const auto& range : ranges) {
        for (std::size_t i = range.begin; i < range.end; ++i) {
            ASSERT_EQ(table[i], range.fill) << "offset " << i;
        }
    }
    // Nothing spilled into the word fields between and after the texts.
    for (std::size_t i = 524; i < 544; ++i) EXPECT_EQ(table[i], 0) << "offset " << i;
    for (std::size_t i = 1056; i < kTableSize; ++i) ASSERT_EQ(table[i], 0) << "offset " << i;
}

}  // namespace
}  // namespace vkt::runtime
