// The per-process error list: a singly linked list, oldest first, of at most 10 entries.
#include "runtime/status/error_list.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

#include "runtime/status/catalogue.h"
#include "runtime/status/error_list_entry.h"
#include "runtime/status/status_code.h"
#include "runtime/status/time_of_day.h"

namespace vkt::runtime {

ErrorList::~ErrorList() {
    std::lock_guard<std::mutex> hold(StatusLock());
    ClearLocked();
}

ErrorList::Entry* ErrorList::NewEntry(std::int32_t code, const char* text, std::size_t length) {
    Entry* entry = new (std::nothrow) Entry;
    if (entry == nullptr) return nullptr;
    entry->code = code;
    if (text != nullptr) {
        const std::size_t kept = ::strnlen(text, std::min(length, sizeof entry->text - 1));
        std::memcpy(entry->text, text, kept);
        entry->text[kept] = '\0';
    }
    FormatTimeOfDay(entry->time);
    return entry;
}

void ErrorList::ClearLocked() {
    while (head_ != nullptr) {
        Entry* next = head_->next;
        delete head_;
        head_ = next;
    }
    tail_ = nullptr;
    count_ = 0;
}

// A full list is emptied before the new entry is linked, so it becomes the only one.
void ErrorList::AppendLocked(Entry* entry) {
    if (count_ >= kCapacity) ClearLocked();
    if (tail_ == nullptr) {
        head_ = entry;
    } else {
        tail_->next = entry;
    }
    tail_ = entry;
    ++count_;
}

void ErrorList::Clear() {
    std::lock_guard<std::mutex> hold(StatusLock());
    ClearLocked();
}

// The catalogue text is read with a limit of 253 characters (254 with the terminator).
bool ErrorList::Add(std::int32_t code) {
    Entry* entry = NewEntry(code, CatalogueText(MessageIdFor(code)), 253);
    if (entry == nullptr) return false;
    std::lock_guard<std::mutex> hold(StatusLock());
    AppendLocked(entry);
    return true;
}

// Each record: code, 8, text length, text (255 bytes, zero-filled past the text), time
// (9 bytes). Records are written whole, so no stale bytes of the caller's buffer remain in
// the ones returned.
std::uint32_t ErrorList::CopyOut(ErrorRecord* records) {
    std::lock_guard<std::mutex> hold(StatusLock());
    std::uint32_t written = 0;
    for (const Entry* entry = head_; entry != nullptr; entry = entry->next, ++written) {
        ErrorRecord record{};
        record.code = entry->code;
        record.timeLength = static_cast<std::uint32_t>(::strnlen(entry->time, sizeof entry->time));
        record.textLength = static_cast<std::uint32_t>(::strnlen(entry->text, sizeof entry->text));
        std::memcpy(record.text, entry->text, sizeof record.text);
        std::memcpy(record.timeOfDay, entry->time, sizeof record.timeOfDay);
        std::memcpy(&records[written], &record, sizeof record);
    }
    ClearLocked();
    return written;
}

std::int32_t ErrorList::LastCode() const {
    std::lock_guard<std::mutex> hold(StatusLock());
    return tail_ != nullptr ? tail_->code : 0;
}

std::uint32_t ErrorList::Count() const {
    std::lock_guard<std::mutex> hold(StatusLock());
    return count_;
}

}  // namespace vkt::runtime
