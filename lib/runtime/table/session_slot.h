// The shared session table: 2,176 bytes that every process of the user maps, holding the one
// session slot (1,080 bytes at offset 0). Binding byte layout, little-endian, zero-terminated
// single-byte strings. Handle-like fields are 32-bit values meaningful only in the owning
// process: a crypto handle, a file descriptor, an index into the process's timer registry.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vkt::runtime {

constexpr std::size_t kTableSize = 2176;
constexpr std::uint32_t kInvalidFileHandle = 0xFFFFFFFFu;

enum : std::uint32_t { kSlotInUse = 0, kSlotFree = 1 };

#pragma pack(push, 1)
struct SessionSlot {
    std::uint32_t slotState;         //    0  1 free, 0 in use
    std::int32_t sessionId;          //    4  -1 when free
    std::uint32_t sessionKey;        //    8  crypto handle of the session key, 0 none
    char userName[255];              //   12
    char currentFileName[257];       //  267
    std::uint32_t reserved524;       //  524
    std::uint32_t dataSize;          //  528
    std::uint32_t fileKind;          //  532  1 formatted record file, 2 plain
    std::uint32_t fileHandle;        //  536  descriptor, kInvalidFileHandle none
    std::uint32_t fileLocked;        //  540
    char destinationDirectory[255];  //  544
    char keyDirectory[257];          //  799
    std::uint32_t keyOffset;         // 1056
    std::uint32_t keyLength;         // 1060
    std::int32_t ownerPid;           // 1064  process that claimed the slot (reclaim)
    std::uint32_t ownerStartTime;    // 1068  its start time, low 32 bits (pid reuse)
    std::uint32_t keepAliveTimer;    // 1072  index in the timer registry, 0 none
    std::uint32_t idleWatchdog;      // 1076  index in the timer registry, 0 none
};
#pragma pack(pop)

static_assert(sizeof(SessionSlot) == 1080);
static_assert(offsetof(SessionSlot, sessionId) == 4);
static_assert(offsetof(SessionSlot, sessionKey) == 8);
static_assert(offsetof(SessionSlot, userName) == 12);
static_assert(offsetof(SessionSlot, currentFileName) == 267);
static_assert(offsetof(SessionSlot, reserved524) == 524);
static_assert(offsetof(SessionSlot, dataSize) == 528);
static_assert(offsetof(SessionSlot, fileKind) == 532);
static_assert(offsetof(SessionSlot, fileHandle) == 536);
static_assert(offsetof(SessionSlot, fileLocked) == 540);
static_assert(offsetof(SessionSlot, destinationDirectory) == 544);
static_assert(offsetof(SessionSlot, keyDirectory) == 799);
static_assert(offsetof(SessionSlot, keyOffset) == 1056);
static_assert(offsetof(SessionSlot, keyLength) == 1060);
static_assert(offsetof(SessionSlot, ownerPid) == 1064);
static_assert(offsetof(SessionSlot, keepAliveTimer) == 1072);
static_assert(offsetof(SessionSlot, idleWatchdog) == 1076);

// Where the user's key lies: passed by value to ClaimSlot and copied into the slot.
struct KeyLocation {
    std::uint32_t keyOffset;
    std::uint32_t keyLength;
    char keyDirectory[256];
};

}  // namespace vkt::runtime
