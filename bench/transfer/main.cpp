// vkt-bench-transfer: the real libVKT32.so against a real vkt-server on loopback, with keys
// from vkt-keygen. Prints what it measured and three lines
//   RATIO send-vs-pacing-ceiling X    the protocol's own pauses for an 8 MiB send ÷ its time
//   RATIO request-vs-crypto-bound X   OpenSSL opening and digesting 8 MiB ÷ the request's time
//   RATIO small-get-vs-connect X      connect + disconnect ÷ connect + 64 KiB request + disconnect
// (1 would be as fast as the bound allows).
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

struct Options {
    int sends = 1;       // 8 MiB sends (about 28 s each)
    int requests = 5;    // 8 MiB requests
    int smallRuns = 21;  // connects with and without a 64 KiB request
};

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const int value = std::atoi(argv[i + 1]);
        if (value < 1) return false;
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

// The median of durations, or a negative duration when any run failed.
Duration Median(std::vector<Duration> durations) {
    if (durations.empty()) return Duration(-1);
    std::sort(durations.begin(), durations.end());
    if (durations.front() < Duration(0)) return Duration(-1);
    return durations[durations.size() / 2];
}

void Report(const char* what, Duration duration) {
    std::printf("%-44s %10.3f ms\n", what, Seconds(duration) * 1000);
}

class TransferBench {
  public:
    bool SetUp() {
        const std::string prefix = vkt::testing::ShmPrefix("VKTbench");
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

    Duration LargeSend(int runs) {
        std::vector<Duration> times;
        LibrarySession session = NewSession();
        if (!session.Open()) return Duration(-1);
        for (int run = 0; run < runs; ++run)
            times.push_back(Timed([&] { return session.Send(toSend_); }));
        return Median(times);
    }

    Duration LargeRequest(int runs) {
        std::vector<Duration> times;
        LibrarySession session = NewSession();
        if (!session.Open()) return Duration(-1);
        for (int run = 0; run < runs; ++run) {
            times.push_back(Timed([&] { return session.Request("large.bin", received_); }));
            ::unlink((received_ + "/large.bin").c_str());
        }
        return Median(times);
    }

    // Connect + disconnect and connect + 64 KiB request + disconnect, alternately, so that
    // both see the same load of the machine.
    void SmallGets(int runs, Duration* bare, Duration* withGet) {
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
        *bare = Median(bareTimes);
        *withGet = Median(getTimes);
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

    const Duration ceiling = vkt::bench::SendPacingCeiling(kLargeFile, kLineBlockSize, kLineRate);
    const Duration send = bench.LargeSend(options.sends);
    const Duration cryptoBound = vkt::bench::RequestCryptoBound(kLargeFile, 5);
    const Duration request = bench.LargeRequest(options.requests);
    Duration bare{}, withGet{};
    bench.SmallGets(options.smallRuns, &bare, &withGet);
    if (send <= Duration(0) || request <= Duration(0) || cryptoBound <= Duration(0) ||
        bare <= Duration(0) || withGet <= Duration(0))
        return 1;

    Report("8 MiB send: the protocol's pauses alone", ceiling);
    Report("8 MiB send (median)", send);
    Report("8 MiB: OpenSSL 3DES-CBC open + MD5 (best)", cryptoBound);
    Report("8 MiB request (median)", request);
    Report("connect + disconnect (median)", bare);
    Report("connect + 64 KiB request + disconnect (median)", withGet);
    vkt::bench::PrintRatio("send-vs-pacing-ceiling", Seconds(ceiling) / Seconds(send));
    vkt::bench::PrintRatio("request-vs-crypto-bound", Seconds(cryptoBound) / Seconds(request));
    vkt::bench::PrintRatio("small-get-vs-connect", Seconds(bare) / Seconds(withGet));
    return 0;
}
