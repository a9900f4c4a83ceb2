// The per-process status block. Every access holds StatusLock(), so a reader never sees half
// of a text or a field written by another thread.
#include "runtime/status/status_block.h"

#include <cstring>
#include <mutex>

#include "runtime/status/error_list.h"

namespace vkt::runtime {

namespace {

// Copies at most size - 1 bytes of text (null reads as "") and zero-fills the rest.
template <std::size_t N>
void CopyText(char (&field)[N], const char* text) {
    std::memset(field, 0, N);
    if (text != nullptr) std::memcpy(field, text, ::strnlen(text, N - 1));
}

}  // namespace

StatusBlock::StatusBlock() : record_{} {}

void StatusBlock::SetSessionId(std::uint32_t id) {
    std::lock_guard<std::mutex> hold(StatusLock());
    record_.sessionId = id;
}

void StatusBlock::SetFunction(const char* text) {
    std::lock_guard<std::mutex> hold(StatusLock());
    CopyText(record_.function, text);
}

void StatusBlock::SetStep(std::uint32_t step) {
    std::lock_guard<std::mutex> hold(StatusLock());
    record_.step = step;
}

void StatusBlock::SetFileName(const char* text) {
    std::lock_guard<std::mutex> hold(StatusLock());
    CopyText(record_.fileName, text);
}

void StatusBlock::SetBytesDone(std::uint32_t bytes) {
    std::lock_guard<std::mutex> hold(StatusLock());
    record_.bytesDone = bytes;
}

void StatusBlock::SetBytesTotal(std::uint32_t bytes) {
    std::lock_guard<std::mutex> hold(StatusLock());
    record_.bytesTotal = bytes;
}

bool StatusBlock::BeginOperation(const char* function, std::uint32_t step, bool reset) {
    std::lock_guard<std::mutex> hold(StatusLock());
    if (record_.activity == kActivityRunning) return false;
    if (reset) ResetLocked();
    record_.activity = kActivityRunning;
    CopyText(record_.function, function);
    record_.step = step;
    return true;
}

void StatusBlock::SetActivity(std::uint32_t activity) {
    std::lock_guard<std::mutex> hold(StatusLock());
    record_.activity = activity;
}

void StatusBlock::SetActivityUnlessRunning(std::uint32_t activity) {
    std::lock_guard<std::mutex> hold(StatusLock());
    if (record_.activity != kActivityRunning) record_.activity = activity;
}

std::uint32_t StatusBlock::GetActivity() const {
    std::lock_guard<std::mutex> hold(StatusLock());
    return record_.activity;
}

// bytesTotal and sessionId keep their values.
void StatusBlock::Reset() {
    std::lock_guard<std::mutex> hold(StatusLock());
    ResetLocked();
}

void StatusBlock::ResetLocked() {
    CopyText(record_.fileName, "");
    CopyText(record_.function, "No hay funcion activa");
    record_.step = VKT_STEP_NO_OPERATION;
    record_.activity = kActivityIdle;
    record_.bytesDone = 0;
}

void StatusBlock::CopyOut(StatusRecord* out) const {
    std::lock_guard<std::mutex> hold(StatusLock());
    StatusRecord copy = record_;
    copy.functionLength =
        static_cast<std::uint32_t>(::strnlen(copy.function, sizeof copy.function));
    copy.fileNameLength =
        static_cast<std::uint32_t>(::strnlen(copy.fileName, sizeof copy.fileName));
    std::memcpy(out, &copy, sizeof copy);
}

}  // namespace vkt::runtime
