// The per-process list of recorded failures, read and emptied by VKTError.
//
// At most 10 entries, oldest first; adding an 11th empties the whole list first, so the new
// entry becomes the only one. Every operation is atomic with respect to the others and to the
// status block's (one lock shared by both, StatusLock()): the caller's thread, the event
// thread and the timer threads all record here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "vkt32.h"

namespace vkt::runtime {

// The one lock of the error list and the status block.
std::mutex& StatusLock();

class ErrorList {
  public:
    static constexpr std::uint32_t kCapacity = 10;

    ErrorList() = default;
    ~ErrorList();
    ErrorList(const ErrorList&) = delete;
    ErrorList& operator=(const ErrorList&) = delete;

    void Clear();
    // Records code with the catalogue text of MessageIdFor(code) and the time of day. False
    // only when no memory could be had (nothing is recorded then).
    bool Add(std::int32_t code);
    // Records a server error report "<decimal code>-<text>" of length bytes; returns the
    // recorded code, never 0: 40062 (recorded) when there is no hyphen or the number reads as
    // 0, 40100 when out of memory.
    std::int32_t AddServerText(const char* text, std::uint32_t length);
    // Writes one record per entry, oldest first, then empties the list; returns the count.
    std::uint32_t CopyOut(ErrorRecord* records);
    std::uint32_t Count() const;
    // The code of the newest entry; 0 when the list is empty.
    std::int32_t LastCode() const;

  private:
    struct Entry;
    // A new entry with code, up to 254 bytes of text (stopping at a NUL) and the time of day
    // now; null when no memory could be had.
    static Entry* NewEntry(std::int32_t code, const char* text, std::size_t length);
    void AppendLocked(Entry* entry);
    void ClearLocked();

    std::uint32_t count_ = 0;
    Entry* head_ = nullptr;
    Entry* tail_ = nullptr;
};

}  // namespace vkt::runtime
