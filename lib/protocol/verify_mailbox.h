// The verify event: an auto-reset hand-over of one frame from the event thread to the caller
// waiting in VKTVerificar. Armed by the caller before the query's reply can be dispatched;
// a frame delivered while nobody is armed is dropped.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace vkt::protocol {

struct VerifyFrame {
    char messageType = 0;
    std::vector<std::uint8_t> data;  // the sealed data field, copied
};

class VerifyMailbox {
  public:
    void Arm();
    // Copies the frame and wakes the caller; false when nobody is armed (nothing kept).
    bool Deliver(char messageType, const std::uint8_t* data, std::uint32_t length);
    // The session is being released: a waiting caller wakes without a frame.
    void Abandon();

    enum class Outcome { kFrame, kTimedOut, kAbandoned };
    // Waits until a frame is delivered, the session is abandoned or the time is up; disarms in
    // every case. *frame is filled with kFrame.
    Outcome WaitFor(std::chrono::milliseconds wait, VerifyFrame* frame);

  private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    bool armed_ = false;
    bool full_ = false;
    bool abandoned_ = false;
    VerifyFrame frame_;
};

// The process's mailbox.
VerifyMailbox& TheVerifyMailbox();

}  // namespace vkt::protocol
