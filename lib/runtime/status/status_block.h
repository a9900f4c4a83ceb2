// The per-process status of the operation under way or last run, copied out by VKTEstado.
// Guarded by StatusLock(), shared with the error list.
#pragma once

#include <cstdint>

#include "vkt32.h"

namespace vkt::runtime {

enum : std::uint32_t {
    kActivityIdle = VKT_ACTIVITY_IDLE,  // idle, or ended well
    kActivityFailed = VKT_ACTIVITY_FAILED,
    kActivityRunning = VKT_ACTIVITY_RUNNING,
};

class StatusBlock {
  public:
    StatusBlock();

    void SetSessionId(std::uint32_t id);
    void SetFunction(const char* text);  // at most 255 bytes are kept
    void SetStep(std::uint32_t step);
    void SetFileName(const char* text);  // at most 255 bytes are kept
    void SetBytesDone(std::uint32_t bytes);
    void SetBytesTotal(std::uint32_t bytes);
    void SetActivity(std::uint32_t activity);
    std::uint32_t GetActivity() const;
    // Sets the activity in one step unless it is 2: a refused call never ends the operation
    // another thread is running.
    void SetActivityUnlessRunning(std::uint32_t activity);
    // Starts an operation in one step: false, with nothing changed, while the activity is 2
    // (another operation of this process is running); otherwise (after a Reset when reset is
    // true) activity 2, the function and the step are set together, so two threads cannot
    // both start.
    bool BeginOperation(const char* function, std::uint32_t step, bool reset = false);
    // fileName "", function "No hay funcion activa", step 10, activity 0, bytesDone 0.
    void Reset();
    // Copies the block with the two length fields computed from the strings.
    void CopyOut(StatusRecord* out) const;

  private:
    void ResetLocked();
    StatusRecord record_;  // same layout as the record; the length fields are filled on copy
};

}  // namespace vkt::runtime
