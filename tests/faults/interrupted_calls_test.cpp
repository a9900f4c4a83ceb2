// Every blocking call interrupted: a signal whose handler is installed without SA_RESTART is
// sent to every thread of this process thousands of times a second while whole transfer
// cycles run, so that poll, connect, send, recv, read, write and the waits of the library's
// threads keep failing with EINTR. The cycles must succeed as without it.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "fault_fixture.h"

namespace vkt::faults {
namespace {

std::atomic<long> delivered{0};

void CountSignal(int) {
    delivered.fetch_add(1, std::memory_order_relaxed);
}

// Signals every other thread of the process every 200 us until stopped, re-reading the list
// of threads every 10 ms (the library starts and ends threads of its own).
class SignalStorm {
  public:
    SignalStorm() {
        struct sigaction action {};
        action.sa_handler = CountSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no SA_RESTART: interrupted calls fail with EINTR
        sigaction(SIGUSR1, &action, &saved_);
        thread_ = std::thread([this] { Run(); });
    }
    ~SignalStorm() {
        stop_ = true;
        thread_.join();
        sigaction(SIGUSR1, &saved_, nullptr);
    }
    SignalStorm(const SignalStorm&) = delete;
    SignalStorm& operator=(const SignalStorm&) = delete;

  private:
    static std::vector<pid_t> Threads(pid_t self) {
        std::vector<pid_t> threads;
        if (DIR* tasks = opendir("/proc/self/task")) {
            while (const dirent* entry = readdir(tasks)) {
                const pid_t tid = static_cast<pid_t>(std::atol(entry->d_name));
                if (tid > 0 && tid != self) threads.push_back(tid);
            }
            closedir(tasks);
        }
        return threads;
    }

    void Run() {
        const pid_t self = static_cast<pid_t>(syscall(SYS_gettid));
        const pid_t process = getpid();
        std::vector<pid_t> threads;
        auto listed = std::chrono::steady_clock::time_point();
        while (!stop_) {
            const auto now = std::chrono::steady_clock::now();
            if (now - listed > std::chrono::milliseconds(10)) {
                threads = Threads(self);
                listed = now;
            }
            for (const pid_t tid : threads) syscall(SYS_tgkill, process, tid, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

    struct sigaction saved_ {};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

using InterruptedCallsTest = FaultTest;

TEST_F(InterruptedCallsTest, TransferCyclesSucceedUnderASignalStorm) {
    ASSERT_EQ(Vkt().desconectar(session_), 0);
    session_ = 0;
    CycleSetting setting = Cycle();
    // Three blocks each way, and the digest read back in pieces.
    setting.size = 20000;
    {
        SignalStorm storm;
        for (int round = 0; round < 5; ++round) {
            ASSERT_EQ(RunCycle(Vkt(), setting, round), "") << "cycle " << round << "\n"
                                                           << server_.Log();
        }
    }
    RecordProperty("signals", static_cast<int>(delivered.load()));
    EXPECT_GT(delivered.load(), 1000);
    EXPECT_EQ(testing::SettledUsage(0, descriptors_).descriptors, descriptors_);
}

}  // namespace
}  // namespace vkt::faults
