// The verify event as a mailbox guarded by one mutex and a condition variable.
#include "protocol/verify_mailbox.h"

#include <utility>

namespace vkt::protocol {

void VerifyMailbox::Arm() {
    std::lock_guard<std::mutex> hold(mutex_);
    armed_ = true;
    full_ = false;
    abandoned_ = false;
    frame_.data.clear();
}

bool VerifyMailbox::Deliver(char messageType, const std::uint8_t* data, std::uint32_t length) {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (!armed_ || full_) return false;
        frame_.messageType = messageType;
        frame_.data.assign(data, data + length);
        full_ = true;
    }
    arrived_.notify_all();
    return true;
}

void VerifyMailbox::Abandon() {
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (!armed_) return;
        abandoned_ = true;
    }
    arrived_.notify_all();
}

VerifyMailbox::Outcome VerifyMailbox::WaitFor(std::chrono::milliseconds wait, VerifyFrame* frame) {
    std::unique_lock<std::mutex> hold(mutex_);
    arrived_.wait_for(hold, wait, [this] { return full_ || abandoned_; });
    Outcome outcome = Outcome::kTimedOut;
    if (full_) {
        *frame = std::move(frame_);
        outcome = Outcome::kFrame;
    } else if (abandoned_) {
        outcome = Outcome::kAbandoned;
    }
    armed_ = false;
    full_ = false;
    abandoned_ = false;
    frame_ = VerifyFrame{};
    return outcome;
}

VerifyMailbox& TheVerifyMailbox() {
    // Never destroyed: the event thread may still deliver while the library unloads.
    static VerifyMailbox* const mailbox = new VerifyMailbox;
    return *mailbox;
}

}  // namespace vkt::protocol
