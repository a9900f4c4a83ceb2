// SessionTimer: setting, killing, pausing and resuming a periodic timer on its own thread.
//
// The thread sleeps until the end of the current period (periodEnd_) and, when it wakes,
// looks again at what the timer is now: stopped, not set (it then waits until it is set), a
// period that has moved later (it sleeps again), or a period that is over (it ticks). A tick
// runs with mutex_ released and ticking_ set; Kill() waits on wake_ for ticking_ to drop, so a
// tick in progress always ends before Kill() returns, and a tick never begins once Kill() has
// cleared the timer.
//
// Pausing and resuming never wake the thread: the dispatcher pauses and resumes both timers
// around every frame, and waking two threads per frame for nothing cost a transfer about a
// fifth of its time. A resumed period ends later than the one the thread sleeps towards
// (it starts now), so the thread wakes early, finds it moved and sleeps on. Only a start while
// the thread waits for the timer to be set, and the destructor, wake it.
#include "runtime/timer/session_timer.h"

#include <chrono>
#include <system_error>

namespace vkt::runtime {

SessionTimer::SessionTimer(Kind kind, std::int32_t sessionId, EventThread* window,
                           Connection* connection, ErrorList* errorList)
    : kind_(kind),
      sessionId_(sessionId),
      window_(window),
      connection_(connection),
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

std::uint32_t SessionTimer::Start() {
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
        if (++generation_ == 0) ++generation_;
        timerId_ = generation_;
        periodEnd_ = Clock::now() + std::chrono::milliseconds(TimerPeriodMs());
        running_.store(1);
        inCallback_.store(0);
        // Signalled under the mutex: whoever destroys the timer next takes the mutex first,
        // so the signal cannot touch a destroyed condition variable.
        if (waitingToBeSet_) wake_.notify_all();
    }
    return 0;
}

void SessionTimer::Kill() {
    std::unique_lock<std::mutex> lock(mutex_);
    running_.store(0);
    timerId_ = 0;
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
    {
        std::lock_guard<std::mutex> guard(mutex_);
        missed_.store(savedMissed_);
        spare_.store(savedSpare_);
    }
    Start();  // a fresh period unless still set
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
    const std::chrono::milliseconds period(TimerPeriodMs());
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        if (timerId_ == 0) {
            waitingToBeSet_ = true;
            wake_.wait(lock, [this] { return stop_ || timerId_ != 0; });
            waitingToBeSet_ = false;
            continue;
        }
        const Clock::time_point end = periodEnd_;
        if (Clock::now() < end) {
            wake_.wait_until(lock, end);
            continue;  // whatever woke the thread, the timer is looked at afresh
        }
        const std::uint32_t generation = timerId_;
        const Kind kind = kind_;
        ticking_ = true;
        lock.unlock();
        Tick(kind);
        lock.lock();
        ticking_ = false;
        wake_.notify_all();
        if (timerId_ != generation) continue;  // killed or restarted during the tick
        // Periodic at a fixed rate; a thread held up for longer than a period does not make
        // up the lost ticks in a burst.
        periodEnd_ += period;
        const Clock::time_point now = Clock::now();
        if (periodEnd_ < now) periodEnd_ = now + period;
    }
}

}  // namespace vkt::runtime
