// The event thread against a real peer on 127.0.0.1: reads, dispatch, the peer's close,
// keep-alives both ways and the idle watchdog ending a silent session. Sessions are opened by
// hand as the connect operation opens them: connection, slot claim, then the two timers.
#include "runtime/event/event_thread.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <barrier>
#include <string>
#include <thread>
#include <vector>

#include "runtime/event/event_handlers.h"
#include "runtime/net/connection.h"
#include "runtime/process/process_state.h"
#include "runtime/session/event_test_support.h"
#include "runtime/status/status_code.h"
#include "runtime/table/shared_table.h"
#include "runtime/table/table_access.h"
#include "runtime/timer/session_timer.h"

namespace vkt::runtime {
namespace {

using event_testing::Frame;
using event_testing::Period;
using event_testing::TestPeer;
using event_testing::WaitUntil;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

const milliseconds kPatience(10000);  // generous bound for anything that should happen soon

int ThreadCount() {
    int count = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(tasks)) {
            if (entry->d_name[0] != '.') ++count;
        }
        closedir(tasks);
    }
    return count;
}

// A joined thread can still be listed in /proc/self/task for a moment: the kernel removes its
// entry after the join has returned. Waits (bounded) until the thread tid is gone.
void WaitUntilReaped(pid_t tid) {
    const std::string entry = "/proc/self/task/" + std::to_string(tid);
    WaitUntil([&] { return access(entry.c_str(), F_OK) != 0; }, kPatience);
}

TEST(EventThreadStart, ConcurrentStartsMakeOneThreadAndShutdownEndsIt) {
    EventThread::Shutdown();
    std::atomic<pid_t> helper{0};
    std::thread([&] { helper = gettid(); }).join();  // helper threads a sanitizer starts first
    WaitUntilReaped(helper);
    const int before = ThreadCount();

    constexpr int kCallers = 4;
    std::barrier together(kCallers);
    std::vector<std::int32_t> results(kCallers, -1);
    std::vector<std::atomic<pid_t>> tids(kCallers);
    std::vector<std::thread> callers;
    for (int i = 0; i < kCallers; ++i) {
        callers.emplace_back([&, i] {
            tids[i] = gettid();
            together.arrive_and_wait();
            results[i] = EventThread::Start();
        });
    }
    for (std::thread& caller : callers) caller.join();
    for (const std::atomic<pid_t>& tid : tids) WaitUntilReaped(tid);

    EXPECT_EQ(std::count(results.begin(), results.end(), 0), kCallers);
    EventThread* running = EventThread::Current();
    ASSERT_NE(running, nullptr);
    EXPECT_EQ(ThreadCount(), before + 1);
    EXPECT_EQ(EventThread::Start(), 0);
    EXPECT_EQ(EventThread::Current(), running);
    EXPECT_EQ(ThreadCount(), before + 1);

    EventThread::Shutdown();
    EXPECT_EQ(EventThread::Current(), nullptr);
    // The joined event thread leaves the task list a moment after the join.
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() == before; }, kPatience))
        << ThreadCount() << " threads, " << before << " before";
}

// What the dispatch hook saw: the type of each frame, and whether the session was still
// untouched (held, nothing recorded) when it was dispatched.
struct Dispatched {
    std::mutex lock;
    std::string types;
    bool allBeforeEnd = true;
};
Dispatched gDispatched;

void RecordingHook(Connection& connection) {
    const bool sessionUntouched =
        TableAccess(Process().table, nullptr).HeldSessionId() > 0 && Process().errors->Count() == 0;
    std::lock_guard<std::mutex> guard(gDispatched.lock);
    gDispatched.types += connection.Incoming().messageType;
    gDispatched.allBeforeEnd = gDispatched.allBeforeEnd && sessionUntouched;
}

std::string DispatchedTypes() {
    std::lock_guard<std::mutex> guard(gDispatched.lock);
    return gDispatched.types;
}

class EventSessionTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        prefix_ = new event_testing::ShmPrefix;
        ASSERT_TRUE(LibraryLoad());
    }
    static void TearDownTestSuite() {
        LibraryUnload();
        delete prefix_;
        prefix_ = nullptr;
    }

    void SetUp() override {
        ASSERT_EQ(EventThread::Start(), 0);
        {
            std::lock_guard<std::mutex> guard(gDispatched.lock);
            gDispatched.types.clear();
            gDispatched.allBeforeEnd = true;
        }
        SetDispatchHook(RecordingHook);
        Process().errors->Clear();
        Process().status->SetActivity(kActivityIdle);
    }

    // Stops what could still reach the connection (timers, then the event thread) before the
    // slot is released and the connection freed.
    void TearDown() override {
        KillTimers();
        if (Connection* connection = Process().connection) connection->SetWindow(nullptr);
        EventThread::Shutdown();
        TableAccess access(Process().table, Process().connection);
        if (access.HeldSessionId() > 0) access.ReleaseSlot(access.HeldSessionId());
        delete Process().connection;
        Process().connection = nullptr;
        SetDispatchHook(nullptr);
    }

    // Connects to the peer, claims the slot and starts the timers asked for.
    void OpenSession(bool keepAlive, bool watchdog) {
        auto* connection =
            new Connection("127.0.0.1", peer_.Port().c_str(), EventThread::Current(), 5);
        Process().connection = connection;
        ASSERT_EQ(connection->Connect(), 0);
        ASSERT_TRUE(peer_.Accept());
        KeyLocation key{};
        sessionId_ = TableAccess(Process().table, connection).ClaimSlot("usuario", key);
        ASSERT_GT(sessionId_, 0);
        connection->BindSession(sessionId_);  // as the connect operation does after its claim
        if (keepAlive) AddTimer(SessionTimer::Kind::KeepAlive, &SessionSlot::keepAliveTimer);
        if (watchdog) AddTimer(SessionTimer::Kind::Watchdog, &SessionSlot::idleWatchdog);
    }

    void AddTimer(SessionTimer::Kind kind, std::uint32_t SessionSlot::*field) {
        auto* timer = new SessionTimer(kind, sessionId_, EventThread::Current(),
                                       Process().connection, Process().errors);
        const std::uint32_t index = RegisterTimer(timer);
        ASSERT_NE(index, 0u);
        ASSERT_TRUE(Process().table->Lock());
        Process().table->Slot()->*field = index;
        Process().table->Unlock();
        timer->Resume();
    }

    static void KillTimers() {
        if (!Process().table->Lock()) return;
        const SessionSlot* slot = Process().table->Slot();
        if (SessionTimer* timer = TimerAt(slot->keepAliveTimer)) timer->Kill();
        if (SessionTimer* timer = TimerAt(slot->idleWatchdog)) timer->Kill();
        Process().table->Unlock();
    }

    // The idle watchdog's count of silent periods, or -1 when the session has none.
    static int WatchdogMissed() {
        if (!Process().table->Lock()) return -1;
        const SessionTimer* watchdog = TimerAt(Process().table->Slot()->idleWatchdog);
        const int missed = watchdog != nullptr ? static_cast<int>(watchdog->Missed()) : -1;
        Process().table->Unlock();
        return missed;
    }

    static bool SessionHeld() { return TableAccess(Process().table, nullptr).HeldSessionId() > 0; }

    static std::vector<std::int32_t> TakeErrors() {
        ErrorRecord records[10];
        const std::uint32_t count = Process().errors->CopyOut(records);
        std::vector<std::int32_t> codes;
        for (std::uint32_t i = 0; i < count; ++i) codes.push_back(records[i].code);
        return codes;
    }

    // The session ended by the library: slot free, both timer fields cleared, the peer told
    // with one disconnect notice and the socket closed.
    void ExpectSessionReleased() {
        EXPECT_FALSE(SessionHeld());
        ASSERT_TRUE(Process().table->Lock());
        EXPECT_EQ(Process().table->Slot()->keepAliveTimer, 0u);
        EXPECT_EQ(Process().table->Slot()->idleWatchdog, 0u);
        Process().table->Unlock();
        EXPECT_FALSE(Process().connection->IsConnected());
        EXPECT_TRUE(WaitUntil([&] { return peer_.SawEndOfStream(); }, kPatience));
        EXPECT_EQ(peer_.Count('1', '8'), 1);
        EXPECT_TRUE(WaitUntil([] { return Process().status->GetActivity() == kActivityFailed; },
                              kPatience));
    }

    static event_testing::ShmPrefix* prefix_;
    TestPeer peer_;
    std::int32_t sessionId_ = -1;
};

event_testing::ShmPrefix* EventSessionTest::prefix_ = nullptr;

TEST_F(EventSessionTest, EachFrameIsDispatchedOnceInOrderAndKeepAlivesNever) {
    OpenSession(false, true);
    peer_.Send(Frame('2', 'A', "uno"));
    peer_.Send(Frame('1', '0') + Frame('2', 'B') + Frame('2', 'C', std::string("\x01\x04", 2)));
    const std::string split = Frame('1', '0') + Frame('2', 'D', std::string(3000, 'd'));
    for (std::size_t at = 0; at < split.size(); at += 1000) {
        peer_.Send(split.substr(at, 1000));
        std::this_thread::sleep_for(milliseconds(5));
    }

    ASSERT_TRUE(WaitUntil([] { return DispatchedTypes().size() >= 4; }, kPatience));
    EXPECT_TRUE(SessionHeld());
    EXPECT_TRUE(TakeErrors().empty());
    std::this_thread::sleep_for(Period() / 2);  // a duplicate would show up by now
    EXPECT_EQ(DispatchedTypes(), "ABCD");
}

TEST_F(EventSessionTest, KeepAliveFrameLeavesOnEveryTick) {
    OpenSession(true, false);
    const auto start = Clock::now();
    ASSERT_TRUE(WaitUntil([&] { return peer_.Count('1', '0') >= 4; }, kPatience));
    const auto elapsed = Clock::now() - start;
    const int sent = peer_.Count('1', '0');
    // No more frames than periods: one per tick, never a burst.
    EXPECT_LE(sent, elapsed / Period() + 1);
    for (const event_testing::PeerFrame& frame : peer_.Frames()) {
        EXPECT_EQ(frame.bytes, std::string("\x01"
                                           "10 0001\x04"));
    }
    EXPECT_TRUE(SessionHeld());
    EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(EventSessionTest, SilentPeerEndsSessionAfterTwoWatchdogPeriods) {
    OpenSession(true, true);
    const auto start = Clock::now();
    ASSERT_TRUE(WaitUntil([] { return !SessionHeld(); }, kPatience));
    EXPECT_GE(Clock::now() - start, Period() * 3 / 2);
    EXPECT_EQ(TakeErrors(), std::vector<std::int32_t>{kServerSilent});
    ExpectSessionReleased();
    EXPECT_GE(peer_.Count('1', '0'), 1);  // the library's own keep-alives did not count
}

TEST_F(EventSessionTest, PeerKeepAlivesHoldOffTheWatchdog) {
    OpenSession(true, true);
    // One silent tick counted, then a keep-alive from the peer clears the count.
    ASSERT_TRUE(WaitUntil([] { return WatchdogMissed() == 1; }, kPatience));
    peer_.Send(Frame('1', '0'));
    ASSERT_TRUE(WaitUntil([] { return WatchdogMissed() == 0; }, kPatience));

    const auto until = Clock::now() + Period() * 6;
    while (Clock::now() < until) {
        peer_.Send(Frame('1', '0'));
        std::this_thread::sleep_for(Period() / 4);
    }
    EXPECT_TRUE(SessionHeld());
    EXPECT_TRUE(TakeErrors().empty());
    EXPECT_EQ(DispatchedTypes(), "");

    // Silence from now on ends it.
    ASSERT_TRUE(WaitUntil([] { return !SessionHeld(); }, kPatience));
    EXPECT_EQ(TakeErrors(), std::vector<std::int32_t>{kServerSilent});
    ExpectSessionReleased();
}

TEST_F(EventSessionTest, PeerClosingAnIdleSessionRecords40064) {
    OpenSession(true, true);
    peer_.Close();
    ASSERT_TRUE(WaitUntil([] { return !SessionHeld(); }, kPatience));
    EXPECT_EQ(TakeErrors(), std::vector<std::int32_t>{kServerClosed});
    ExpectSessionReleased();
}

// Frames and the close arrive together while notifications are off, so the loop finds data
// and the peer's FIN at once when they come back on. (No timers: a keep-alive tick would switch
// notifications back on early.)
TEST_F(EventSessionTest, LastFramesBeforeTheCloseAreDispatchedFirst) {
    OpenSession(false, false);
    Connection* connection = Process().connection;
    ASSERT_TRUE(connection->DisableNotifications());
    peer_.Send(Frame('2', 'E', "final") + Frame('2', 'F'));
    peer_.Close();
    pollfd probe{connection->Socket(), POLLRDHUP, 0};
    ASSERT_EQ(poll(&probe, 1, 5000), 1);
    ASSERT_TRUE(connection->EnableNotifications());

    ASSERT_TRUE(WaitUntil([] { return !SessionHeld(); }, kPatience));
    EXPECT_EQ(DispatchedTypes(), "EF");
    {
        std::lock_guard<std::mutex> guard(gDispatched.lock);
        EXPECT_TRUE(gDispatched.allBeforeEnd);
    }
    EXPECT_EQ(TakeErrors(), std::vector<std::int32_t>{kServerClosed});
    ExpectSessionReleased();
}

TEST_F(EventSessionTest, MalformedFrameIsRecordedAndEndsSession) {
    OpenSession(true, true);
    peer_.Send(
        std::string("\x01"
                    "2A 0002xx",
                    10));  // end mark missing
    ASSERT_TRUE(WaitUntil([] { return !SessionHeld(); }, kPatience));
    EXPECT_EQ(TakeErrors(), std::vector<std::int32_t>{kBadFrame});
    EXPECT_EQ(DispatchedTypes(), "");
    ExpectSessionReleased();
}

// The close is reported once, and a process that holds no session has nothing released.
TEST_F(EventSessionTest, CloseIsReportedOnceAndWithoutSessionReleasesNothing) {
    auto* connection = new Connection("127.0.0.1", peer_.Port().c_str(), EventThread::Current(), 5);
    Process().connection = connection;
    ASSERT_EQ(connection->Connect(), 0);
    ASSERT_TRUE(peer_.Accept());
    peer_.Close();
    ASSERT_TRUE(WaitUntil([] { return Process().errors->Count() == 1; }, kPatience));
    std::this_thread::sleep_for(Period());  // a repeated close report would show up by now
    EXPECT_EQ(TakeErrors(), std::vector<std::int32_t>{kServerClosed});
    EXPECT_EQ(peer_.Count('1', '8'), 0);
}

// Events raised for a session that has ended since - its socket closed by a disconnect and
// the next session claimed on the same connection object, even under the same id - are
// dropped: none records anything, changes the activity or touches the next session.
TEST_F(EventSessionTest, StaleEventsLeaveTheNextSessionAlone) {
    OpenSession(true, true);
    Connection* connection = Process().connection;
    const ConnectionTag old = connection->Tag();
    KillTimers();  // no tick of the first session from here on
    connection->DisableNotifications();
    ASSERT_TRUE(TableAccess(Process().table, connection).ReleaseSlot(sessionId_));
    KeyLocation key{};
    const std::int32_t next = TableAccess(Process().table, connection).ClaimSlot("usuario", key);
    ASSERT_GT(next, 0);
    connection->BindSession(next);
    Process().errors->Clear();
    Process().status->SetActivity(kActivityRunning);  // the next connect is under way

    const ConnectionTag sameIdAgain{old.generation, next};
    for (const ConnectionTag& stale : {old, sameIdAgain}) {
        HandleSocketClosed(stale);
        HandleSocketReadable(stale);
        HandleIdleTimeout(stale);
        HandleKeepAliveDue(stale);
    }

    EXPECT_EQ(TableAccess(Process().table, nullptr).HeldSessionId(), next);
    EXPECT_TRUE(TakeErrors().empty());
    EXPECT_EQ(Process().status->GetActivity(), kActivityRunning);
    // The peer reads on a thread of its own: the first session's notice may still be on its way.
    EXPECT_TRUE(WaitUntil([this] { return peer_.Count('1', '8') > 0; }, kPatience));
    EXPECT_EQ(peer_.Count('1', '8'), 1);  // the first session's notice only
    EXPECT_EQ(peer_.Count('1', '0'), 0);  // no keep-alive
    sessionId_ = next;
}

// The disconnect path of the caller's thread (notifications off, then release) while the peer
// streams frames and both timers tick: the release completes, the event thread stays usable
// and nothing more is dispatched afterwards.
TEST_F(EventSessionTest, CallerReleasesWhileFramesStream) {
    OpenSession(true, true);
    std::atomic<bool> streaming{true};
    std::thread sender([&] {
        while (streaming.load()) {
            peer_.Send(Frame('2', 'G', std::string(200, 'g')));
            std::this_thread::sleep_for(milliseconds(1));
        }
    });
    ASSERT_TRUE(WaitUntil([] { return DispatchedTypes().size() >= 20; }, kPatience));
    Connection* connection = Process().connection;
    connection->DisableNotifications();
    EXPECT_TRUE(TableAccess(Process().table, connection).ReleaseSlot(sessionId_));
    const std::size_t dispatched = DispatchedTypes().size();
    streaming.store(false);
    sender.join();

    EXPECT_FALSE(SessionHeld());
    EXPECT_FALSE(connection->IsConnected());
    std::this_thread::sleep_for(Period());
    EXPECT_LE(DispatchedTypes().size(), dispatched + 1);  // at most the frame being read
    EXPECT_TRUE(WaitUntil([&] { return peer_.SawEndOfStream(); }, kPatience));
}

}  // namespace
}  // namespace vkt::runtime
