// The verify event as a mailbox guarded by one mutex and a condition variable.
#include "protocol/verify_mailbox.h"

#include <utility>

namespace vkt::protocol {

void VerifyMailbox::Arm() {
    std::lock_guard<std::mutex> hold(mutex_);
    armed_ = true;
    full_ = false;
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

bool VerifyMailbox::WaitFor(std::chrono::milliseconds wait, VerifyFrame* frame) {
    std::unique_lock<std::mutex> hold(mutex_);
    const bool got = arrived_.wait_for(hold, wait, [this] { return full_; });
    if (got) *frame = std::move(frame_);
    armed_ = false;
    full_ = false;
    frame_ = VerifyFrame{};
    return got;
}

VerifyMailbox& TheVerifyMailbox() {
    // Never destroyed: the event thread may still deliver while the library unloads.
    static VerifyMailbox* const mailbox = new VerifyMailbox;
    return *mailbox;
}

}  // namespace vkt::protocol
