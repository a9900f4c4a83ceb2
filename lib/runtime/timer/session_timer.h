// The two periodic timers of a session: the keep-alive timer (the event thread sends a
// keep-alive frame on every tick) and the idle watchdog (two ticks without a frame from the
// server end the session with 49997).
//
// Each timer owns one thread, made at its first start and joined when the timer is destroyed;
// while the timer is set the thread waits on a condition variable for the end of each period
// and then runs the tick. Ticks never touch the socket or the slot: they set flags and post
// events to the event thread. Kill() clears `running` and the generation first, then waits
// while a tick is in progress, so no tick runs after Kill() returns (from whichever thread
// calls it; never call it from inside a tick of the same timer). The period is 60,000 ms;
// tests shorten it only through the environment variable VKT_TIMER_PERIOD_MS.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace vkt::runtime {

class Connection;
struct ConnectionTag;
class ErrorList;
class EventThread;

// 60,000 ms, or VKT_TIMER_PERIOD_MS when set to a positive number.
std::uint32_t TimerPeriodMs();

class SessionTimer {
  public:
    enum class Kind { KeepAlive, Watchdog };
    enum Counter : int { kMissed = 1, kSpare = 2, kInCallback = 3, kRunning = 4 };

    SessionTimer(Kind kind, std::int32_t sessionId, EventThread* window, Connection* connection,
                 ErrorList* errorList);
    ~SessionTimer();  // Kill()

    std::uint32_t Start();  // a fresh period unless already set; 0, or 1 when it cannot be set
    void Kill();
    void Pause();   // Kill, then keep the counters
    void Resume();  // counters back; starts a fresh period unless still set
    void SetCounter(int which, std::uint32_t value);
    std::uint32_t IsRunning() const { return running_.load(); }
    std::uint32_t Missed() const { return missed_.load(); }
    std::uint32_t InCallback() const { return inCallback_.load(); }
    std::int32_t SessionId() const { return sessionId_; }
    void Detach();  // forget the connection, then Kill()

  private:
    void Run();
    void Tick(Kind kind);
    void KeepAliveTick();
    void WatchdogTick();
    ConnectionTag Origin(const Connection* connection) const;

    using Clock = std::chrono::steady_clock;

    // Written only under mutex_: savedMissed_, savedSpare_, timerId_, generation_, periodEnd_,
    // ticking_, waitingToBeSet_, stop_, thread_.
    const Kind kind_;
    std::atomic<std::uint32_t> running_{0};
    std::atomic<std::uint32_t> inCallback_{0};
    std::atomic<std::uint32_t> missed_{0};
    std::atomic<std::uint32_t> spare_{0};
    std::uint32_t savedMissed_ = 0;
    std::uint32_t savedSpare_ = 0;
    std::int32_t sessionId_;
    std::uint32_t timerId_ = 0;      // generation of the current period run, 0 when not set
    std::uint32_t generation_ = 0;   // last generation handed out
    Clock::time_point periodEnd_{};  // end of the current period while set
    bool ticking_ = false;           // a tick is running on thread_ (Kill waits for false)
    bool waitingToBeSet_ = false;    // thread_ waits for a start (only then does Start wake it)
    bool stop_ = false;              // thread_ leaves its loop
    EventThread* window_;
    std::atomic<Connection*> connection_;
    ErrorList* errorList_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
};

// Slot fields hold 32-bit values, so timers are kept in a per-process registry and the slot
// stores their index (1 .. n; 0 means none).
std::uint32_t RegisterTimer(SessionTimer* timer);  // 0 when the registry is full
SessionTimer* TimerAt(std::uint32_t index);        // null for 0 or an unknown index
void UnregisterTimer(std::uint32_t index);

}  // namespace vkt::runtime
