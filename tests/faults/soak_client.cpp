// vkt-soak-client: the transfer cycles of the long-run test, repeated for a given time by one
// process, with its descriptors, threads and resident memory after the first and the last
// cycle on standard output. scripts/soak.sh runs several against one vkt-server.
//
//   vkt-soak-client PORT USER PASSWORD KEYS WORK INBOX OUTBOX SECONDS
//
// VKT_E2E_SHM_PREFIX names the session table (each client needs its own: a table holds one
// session). Exit status 0 when every cycle succeeded and the process holds no more descriptors
// or threads after the last than after the first, 1 otherwise, 2 on bad use.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/process_usage.h"
#include "support/test_support.h"
#include "support/vkt_exports.h"
#include "transfer_cycle.h"

int main(int argc, char** argv) {
    using namespace vkt;
    if (argc != 9 || std::getenv("VKT_E2E_SHM_PREFIX") == nullptr) {
        std::fprintf(stderr,
                     "usage: VKT_E2E_SHM_PREFIX=P %s PORT USER PASSWORD KEYS WORK INBOX OUTBOX "
                     "SECONDS\n",
                     argv[0]);
        return 2;
    }
    faults::CycleSetting setting;
    setting.port = std::atoi(argv[1]);
    setting.user = argv[2];
    setting.password = argv[3];
    setting.keys = argv[4];
    setting.work = argv[5];
    setting.inbox = argv[6];
    setting.outbox = argv[7];
    const auto seconds = std::chrono::seconds(std::atol(argv[8]));

    const testing::VktExports& vkt = testing::LoadVkt("VKTsoak");
    if (!vkt.Complete()) {
        std::fprintf(stderr, "%s: cannot load the library\n", setting.user.c_str());
        return 1;
    }
    const auto end = std::chrono::steady_clock::now() + seconds;
    testing::ProcessUsage first;
    int cycles = 0;
    int status = 0;
    do {
        const std::string failed = faults::RunCycle(vkt, setting, cycles);
        if (!failed.empty()) {
            std::fprintf(stderr, "%s: cycle %d: %s\n", setting.user.c_str(), cycles,
                         failed.c_str());
            status = 1;
            break;
        }
        if (cycles++ == 0) first = testing::UsageOf(0);
    } while (std::chrono::steady_clock::now() < end);
    const testing::ProcessUsage last =
        testing::SettledUsage(0, first.descriptors, first.threads, std::chrono::seconds(10));
    std::printf("%s: %d cycles; after the first: %s; after the last: %s\n", setting.user.c_str(),
                cycles, testing::Describe(first).c_str(), testing::Describe(last).c_str());
    if (status == 0 && (last.descriptors > first.descriptors || last.threads > first.threads)) {
        std::fprintf(stderr, "%s: descriptors or threads left by the cycles\n",
                     setting.user.c_str());
        status = 1;
    }
    testing::RemoveSharedObjects(std::getenv("VKT_E2E_SHM_PREFIX"));
    return status;
}
