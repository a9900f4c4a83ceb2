// vkt-bench-transfer: the real libVKT32.so against a real vkt-server on loopback, with keys
// from vkt-keygen. Prints what it measured and three lines
//   RATIO send-vs-pacing-ceiling X    the protocol's own pauses for an 8 MiB send ÷ its time
//   RATIO request-vs-crypto-bound X   OpenSSL opening and digesting 8 MiB ÷ the request's time
//   RATIO small-get-vs-connect X      connect + disconnect ÷ connect + 64 KiB request + disconnect
// (1 would be as fast as the bound allows). Options: --sends N, --requests N, --small-runs N.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ratio_reporter.h"
#include "support/test_support.h"
#include "support/vkt_exports.h"
#include "transfer/crypto_bound.h"
#include "transfer/library_session.h"
#include "transfer/pacing_ceiling.h"

namespace {

using vkt::bench::Duration;
using vkt::bench::LibrarySession;
using vkt::bench::Timed;

constexpr char kUser[] = "BENCH";
constexpr char kPassword[] = "CLAVE";
constexpr std::uint64_t kLargeFile = 8u << 20;
constexpr std::uint64_t kSmallFile = 64u << 10;
constexpr std::int32_t kLineBlockSize = 8192;  // the server's line parameters: 0,8192
constexpr std::int32_t kLineRate = 0;

// Runs of each measurement; 0 leaves it out, with its ratio.
struct Options {
    int sends = 1;        // 8 MiB sends (about 28 s each)
    int requests = 9;     // 8 MiB requests (under a second each)
    int smallRuns = 101;  // connects with and without a 64 KiB request
};

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const int value = std::atoi(argv[i + 1]);
        if (value < 0) return false;
        if (std::strcmp(argv[i], "--sends") == 0) {
            options->sends = value;
        } else if (std::strcmp(argv[i], "--requests") == 0) {
            options->requests = value;
        } else if (std::strcmp(argv[i], "--small-runs") == 0) {
            options->smallRuns = value;
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

double Seconds(Duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// The best and the median of a measurement's runs; both negative when any run failed. The
// ratios use the best run: the machine's other load only ever adds time.
struct Runs {
    Duration best{-1};
    Duration median{-1};
    bool Good() const { return best > Duration(0); }
};

Runs Summarise(std::vector<Duration> durations) {
    Runs runs;
    std::sort(durations.begin(), durations.end());
    if (durations.empty() || durations.front() <= Duration(0)) return runs;
    runs.best = durations.front();
    runs.median = durations[durations.size() / 2];
    return runs;
}

void Report(const char* what, const Runs& runs) {
    std::printf("%-46s %10.3f ms (median %.3f ms)\n", what, Seconds(runs.best) * 1000,
                Seconds(runs.median) * 1000);
}

// Both measurements and "RATIO ratio bound÷achieved" of their best runs; false when a run
// failed.
bool ReportRatio(const char* ratio, const char* boundText, const Runs& bound,
                 const char* achievedText, const Runs& achieved) {
    if (!bound.Good() || !achieved.Good()) return false;
    Report(boundText, bound);
    Report(achievedText, achieved);
    vkt::bench::PrintRatio(ratio, Seconds(bound.best) / Seconds(achieved.best));
    return true;
}

class TransferBench {
  public:
    bool SetUp() {
        vkt_ = &vkt::testing::LoadVkt("VKTbench");
        if (!vkt_->Complete()) return Fail("libVKT32.so cannot be loaded");
        if (!vkt::testing::MakeKey(keys_.path(), kUser, kPassword))
            return Fail("vkt-keygen failed");
        const std::string outbox = server_.outbox() + "/" + kUser;
        if (!vkt::testing::CopyFile(keys_.path() + "/" + kUser + ".pub",
                                    server_.users() + "/" + kUser + ".pub") ||
            ::mkdir(outbox.c_str(), 0700) != 0 || ::mkdir(received_.c_str(), 0700) != 0 ||
            !vkt::testing::WriteWholeFile(outbox + "/large.bin",
                                          vkt::testing::Bytes(kLargeFile, 2)) ||
            !vkt::testing::WriteWholeFile(outbox + "/small.bin",
                                          vkt::testing::Bytes(kSmallFile, 3)) ||
            !vkt::testing::WriteWholeFile(toSend_, vkt::testing::Bytes(kLargeFile, 4)))
            return Fail("cannot write the files");
        if (!server_.Start({"--cipher", "102", "--line", "0,8192"}))
            return Fail("vkt-server does not start");
        return true;
    }

    ~TransferBench() {
        server_.Stop();
        vkt::testing::RemoveSharedObjects(vkt::testing::ShmPrefix("VKTbench"));
    }

    Runs LargeSend(int runs) {
        std::vector<Duration> times;
        LibrarySession session = NewSession();
        if (!session.Open()) return Runs();
        for (int run = 0; run < runs; ++run)
            times.push_back(Timed([&] { return session.Send(toSend_); }));
        return Summarise(times);
    }

    // The 8 MiB request, each run right after a run of its bound, so that both see the same
    // load of the machine.
    void LargeRequest(int runs, Runs* bound, Runs* request) {
        std::vector<Duration> boundTimes, requestTimes;
        vkt::bench::RequestCryptoBound crypto(kLargeFile);
        LibrarySession session = NewSession();
        if (!session.Open()) return;
        for (int run = 0; run < runs; ++run) {
            boundTimes.push_back(crypto.Measure());
            requestTimes.push_back(Timed([&] { return session.Request("large.bin", received_); }));
            ::unlink((received_ + "/large.bin").c_str());
        }
        *bound = Summarise(boundTimes);
        *request = Summarise(requestTimes);
    }

    // Connect + disconnect and connect + 64 KiB request + disconnect, alternately, so that
    // both see the same load of the machine.
    void SmallGets(int runs, Runs* bare, Runs* withGet) {
        std::vector<Duration> bareTimes, getTimes;
        for (int run = 0; run < runs; ++run) {
            LibrarySession session = NewSession();
            bareTimes.push_back(Timed([&] {
                const bool opened = session.Open();
                session.Close();
                return opened;
            }));
            getTimes.push_back(Timed([&] {
                const bool done = session.Open() && session.Request("small.bin", received_);
                session.Close();
                return done;
            }));
            ::unlink((received_ + "/small.bin").c_str());
        }
        *bare = Summarise(bareTimes);
        *withGet = Summarise(getTimes);
    }

  private:
    static bool Fail(const char* why) {
        std::fprintf(stderr, "vkt-bench-transfer: %s\n", why);
        return false;
    }

    LibrarySession NewSession() {
        return LibrarySession(*vkt_, server_.port(), kUser, kPassword, keys_.path());
    }

    const vkt::testing::VktExports* vkt_ = nullptr;
    vkt::testing::TempDir keys_;
    vkt::testing::TempDir work_;
    vkt::testing::ServerProcess server_;
    std::string received_ = work_.path() + "/received";
    std::string toSend_ = work_.path() + "/send.bin";
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr,
                     "usage: vkt-bench-transfer [--sends N] [--requests N] [--small-runs N]\n");
        return 2;
    }
    TransferBench bench;
    if (!bench.SetUp()) return 1;
    bool good = true;
    if (options.sends > 0) {
        const Duration ceiling =
            vkt::bench::SendPacingCeiling(kLargeFile, kLineBlockSize, kLineRate);
        good = ReportRatio("send-vs-pacing-ceiling", "8 MiB send: the protocol's pauses alone",
                           Runs{ceiling, ceiling}, "8 MiB send (best)",
                           bench.LargeSend(options.sends));
    }
    if (good && options.requests > 0) {
        Runs bound, request;
        bench.LargeRequest(options.requests, &bound, &request);
        good = ReportRatio("request-vs-crypto-bound", "8 MiB: OpenSSL 3DES-CBC open + MD5 (best)",
                           bound, "8 MiB request (best)", request);
    }
    if (good && options.smallRuns > 0) {
        Runs bare, withGet;
        bench.SmallGets(options.smallRuns, &bare, &withGet);
        good = ReportRatio("small-get-vs-connect", "connect + disconnect (best)", bare,
                           "connect + 64 KiB request + disconnect (best)", withGet);
    }
    return good ? 0 : 1;
}
