// Session timers on their own: the watchdog's two-tick rule, pause and resume, Kill waiting
// for a tick in progress, and the process's timer registry.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "runtime/net/connection.h"
#include "runtime/session/event_test_support.h"
#include "runtime/status/error_list.h"
#include "runtime/status/status_code.h"
#include "runtime/timer/session_timer.h"

namespace vkt::runtime {
namespace {

using event_testing::Period;
using event_testing::WaitUntil;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;
using Kind = SessionTimer::Kind;

const milliseconds kPatience(10000);

class SessionTimerTest : public ::testing::Test {
  protected:
    std::int32_t FirstCode() {
        ErrorRecord records[10];
        return errors_.CopyOut(records) > 0 ? records[0].code : 0;
    }

    ErrorList errors_;
};

TEST_F(SessionTimerTest, WatchdogRecords49997OnTheSecondSilentTickOnly) {
    Connection connection("127.0.0.1", "1", nullptr, 5);
    connection.SetAwaiting(Awaiting::kFileBlock);
    SessionTimer watchdog(Kind::Watchdog, 1000, nullptr, &connection, &errors_);
    const auto start = Clock::now();
    ASSERT_EQ(watchdog.Start(), 0u);
    EXPECT_EQ(watchdog.IsRunning(), 1u);

    ASSERT_TRUE(WaitUntil([&] { return watchdog.Missed() == 1; }, kPatience));
    EXPECT_EQ(errors_.Count(), 0u);
    EXPECT_EQ(connection.Awaited(), Awaiting::kFileBlock);
    ASSERT_TRUE(WaitUntil([&] { return errors_.Count() > 0; }, kPatience));
    EXPECT_GE(Clock::now() - start, Period() * 2);
    // The exchange in progress is abandoned: a late frame of it will be ignored.
    ASSERT_TRUE(WaitUntil([&] { return connection.Awaited() == Awaiting::kNothing; }, kPatience));

    watchdog.Kill();
    EXPECT_EQ(watchdog.IsRunning(), 0u);
    EXPECT_EQ(FirstCode(), kServerSilent);  // and the list is empty again
    std::this_thread::sleep_for(Period() * 2);
    EXPECT_EQ(errors_.Count(), 0u);  // a killed watchdog records nothing more
}

TEST_F(SessionTimerTest, PauseKeepsCountersAndResumeStartsAFreshPeriod) {
    SessionTimer watchdog(Kind::Watchdog, 1000, nullptr, nullptr, &errors_);
    ASSERT_EQ(watchdog.Start(), 0u);
    ASSERT_TRUE(WaitUntil([&] { return watchdog.Missed() == 1; }, kPatience));

    watchdog.Pause();
    EXPECT_EQ(watchdog.IsRunning(), 0u);
    std::this_thread::sleep_for(Period() * 2);  // a paused watchdog does not tick
    EXPECT_EQ(errors_.Count(), 0u);
    EXPECT_EQ(watchdog.Missed(), 1u);

    const auto resumed = Clock::now();
    watchdog.Resume();
    EXPECT_EQ(watchdog.IsRunning(), 1u);
    EXPECT_EQ(watchdog.Missed(), 1u);
    ASSERT_TRUE(WaitUntil([&] { return errors_.Count() > 0; }, kPatience));
    EXPECT_GE(Clock::now() - resumed, Period());  // one whole period after the resume
    EXPECT_EQ(FirstCode(), kServerSilent);

    // Traffic clears the count (as the event thread does on a frame): the next tick only
    // counts again.
    watchdog.Pause();
    watchdog.SetCounter(SessionTimer::kMissed, 0);
    watchdog.Resume();
    EXPECT_EQ(watchdog.Missed(), 0u);
    ASSERT_TRUE(WaitUntil([&] { return watchdog.Missed() == 1; }, kPatience));
    EXPECT_EQ(errors_.Count(), 0u);
}

// Receives the keep-alive tick's EnableNotifications and takes its time over it.
class SlowTarget : public NotificationTarget {
  public:
    bool WatchSocket(int, bool) override {
        if (!armed.load()) return true;
        calls.fetch_add(1);
        entered.store(true);
        std::this_thread::sleep_for(milliseconds(300));
        left.store(true);
        return true;
    }
    std::atomic<bool> armed{false};
    std::atomic<bool> entered{false};
    std::atomic<bool> left{false};
    std::atomic<int> calls{0};
};

TEST_F(SessionTimerTest, KillWaitsForTheTickInProgressAndNoTickFollows) {
    event_testing::TestPeer peer;
    SlowTarget target;
    Connection connection("127.0.0.1", peer.Port().c_str(), &target, 5);
    ASSERT_EQ(connection.Connect(), 0);
    ASSERT_TRUE(peer.Accept());
    target.armed.store(true);

    SessionTimer keepAlive(Kind::KeepAlive, 1000, nullptr, &connection, &errors_);
    ASSERT_EQ(keepAlive.Start(), 0u);
    ASSERT_TRUE(WaitUntil([&] { return target.entered.load(); }, kPatience));
    keepAlive.Kill();
    EXPECT_TRUE(target.left.load());
    EXPECT_EQ(keepAlive.InCallback(), 0u);

    const int calls = target.calls.load();
    std::this_thread::sleep_for(Period() * 3);
    EXPECT_EQ(target.calls.load(), calls);
}

TEST_F(SessionTimerTest, DetachedKeepAliveTicksWithoutReachingTheConnection) {
    event_testing::TestPeer peer;
    SlowTarget target;
    Connection connection("127.0.0.1", peer.Port().c_str(), &target, 5);
    ASSERT_EQ(connection.Connect(), 0);
    ASSERT_TRUE(peer.Accept());

    SessionTimer keepAlive(Kind::KeepAlive, 1000, nullptr, &connection, &errors_);
    keepAlive.Detach();
    target.armed.store(true);
    keepAlive.Resume();  // set again, but with no connection to reach
    std::this_thread::sleep_for(Period() * 3);
    EXPECT_EQ(target.calls.load(), 0);
    EXPECT_EQ(keepAlive.IsRunning(), 1u);
}

TEST(TimerRegistry, IndicesNameTimersUntilUnregistered) {
    SessionTimer a(Kind::KeepAlive, 1000, nullptr, nullptr, nullptr);
    SessionTimer b(Kind::Watchdog, 1000, nullptr, nullptr, nullptr);
    const std::uint32_t ia = RegisterTimer(&a);
    const std::uint32_t ib = RegisterTimer(&b);
    ASSERT_NE(ia, 0u);
    ASSERT_NE(ib, 0u);
    EXPECT_NE(ia, ib);
    EXPECT_EQ(TimerAt(ia), &a);
    EXPECT_EQ(TimerAt(ib), &b);
    EXPECT_EQ(TimerAt(0), nullptr);
    EXPECT_EQ(TimerAt(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(RegisterTimer(nullptr), 0u);

    UnregisterTimer(ia);
    EXPECT_EQ(TimerAt(ia), nullptr);
    EXPECT_EQ(TimerAt(ib), &b);

    // A full registry says so with 0 and keeps what it holds.
    std::vector<std::uint32_t> taken;
    for (int i = 0; i < 1000; ++i) {
        const std::uint32_t index = RegisterTimer(&a);
        if (index == 0) break;
        taken.push_back(index);
    }
    EXPECT_LT(taken.size(), 1000u);
    EXPECT_EQ(RegisterTimer(&a), 0u);
    EXPECT_EQ(TimerAt(ib), &b);
    for (std::uint32_t index : taken) UnregisterTimer(index);
    UnregisterTimer(ib);
}

TEST(TimerRegistry, ThreadsRegisteringTogetherKeepTheirOwnEntries) {
    constexpr int kThreads = 4;
    std::vector<std::thread> threads;
    std::atomic<int> mismatches{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            SessionTimer mine(Kind::Watchdog, 1000, nullptr, nullptr, nullptr);
            for (int i = 0; i < 200; ++i) {
                const std::uint32_t index = RegisterTimer(&mine);
                if (index == 0 || TimerAt(index) != &mine) mismatches.fetch_add(1);
                UnregisterTimer(index);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
}  // namespace vkt::runtime
