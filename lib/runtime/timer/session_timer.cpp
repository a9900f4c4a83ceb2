// SessionTimer: setting, killing, pausing and resuming a periodic timer on its own thread.
//
// The thread waits on wake_ until the timer is set (timerId_ != 0), then runs one period after
// another for that generation: it waits until the end of the period or until the generation
// changes (killed or restarted) or the object stops. A tick runs with mutex_ released and
// ticking_ set; Kill() waits on wake_ for ticking_ to drop, so a tick in progress always ends
// before Kill() returns, and a tick never begins once Kill() has cleared the generation.
#include "runtime/timer/session_timer.h"

#include <chrono>
#include <system_error>

namespace vkt::runtime {

SessionTimer::SessionTimer(Kind kind, std::int32_t sessionId, EventThread* window,
                           Connection* connection, StatusBlock* statusBlock, ErrorList* errorList)
    : kind_(kind),
      sessionId_(sessionId),
      window_(window),
      connection_(connection),
      statusBlock_(statusBlock),
      errorList_(errorList) {}

SessionTimer::~SessionTimer() {
    Kill();
    std::thread worker;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        stop_ = true;
        worker = std::move(thread_);
    }
    wake_.notify_all();
    if (worker.joinable()) worker.join();
}

std::uint32_t SessionTimer::StartKeepAlive() {
    return Start(Kind::KeepAlive);
}

std::uint32_t SessionTimer::StartWatchdog() {
    return Start(Kind::Watchdog);
}

std::uint32_t SessionTimer::Start(Kind kind) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (timerId_ != 0) return 0;  // already set: keeps its period
        if (!thread_.joinable()) {
            try {
                thread_ = std::thread(&SessionTimer::Run, this);
            } catch (const std::system_error&) {
                return 1;  // no thread: the session runs without this timer
            }
        }
        kind_ = kind;
        if (++generation_ == 0) ++generation_;
        timerId_ = generation_;
        running_.store(1);
        inCallback_.store(0);
        // Signalled under the mutex: whoever destroys the timer next takes the mutex first,
        // so the signal cannot touch a destroyed condition variable.
        wake_.notify_all();
    }
    return 0;
}

void SessionTimer::Kill() {
    std::unique_lock<std::mutex> lock(mutex_);
    running_.store(0);
    timerId_ = 0;
    wake_.notify_all();
    // A tick of this very timer cannot wait for itself; ticks never call Kill().
    if (thread_.get_id() == std::this_thread::get_id()) return;
    wake_.wait(lock, [this] { return !ticking_; });
}

void SessionTimer::Pause() {
    Kill();
    std::lock_guard<std::mutex> guard(mutex_);
    savedMissed_ = missed_.load();
    savedSpare_ = spare_.load();
}

void SessionTimer::Resume() {
    Kind kind;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        missed_.store(savedMissed_);
        spare_.store(savedSpare_);
        if (timerId_ != 0) return;
        kind = kind_;
    }
    Start(kind);  // a fresh period
}

void SessionTimer::SetCounter(int which, std::uint32_t value) {
    std::lock_guard<std::mutex> guard(mutex_);
    switch (which) {
        case kMissed:
            missed_.store(value);
            savedMissed_ = value;
            break;
        case kSpare:
            spare_.store(value);
            savedSpare_ = value;
            break;
        case kInCallback:
            inCallback_.store(value);
            break;
        case kRunning:
            running_.store(value);
            break;
        default:
            break;
    }
}

void SessionTimer::Detach() {
    connection_.store(nullptr);
    Kill();
}

void SessionTimer::Run() {
    using Clock = std::chrono::steady_clock;
    const std::chrono::milliseconds period(TimerPeriodMs());
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || timerId_ != 0; });
        if (stop_) return;
        const std::uint32_t generation = timerId_;
        const Kind kind = kind_;
        Clock::time_point deadline = Clock::now() + period;
        for (;;) {
            const bool ended = wake_.wait_until(
                lock, deadline, [this, generation] { return stop_ || timerId_ != generation; });
            if (ended) break;
            ticking_ = true;
            lock.unlock();
            Tick(kind);
            lock.lock();
            ticking_ = false;
            wake_.notify_all();
            // Periodic at a fixed rate; a thread held up for longer than a period does not
            // make up the lost ticks in a burst.
            deadline += period;
            const Clock::time_point now = Clock::now();
            if (deadline < now) deadline = now + period;
        }
    }
}

}  // namespace vkt::runtime
