// A library process for the session-table tests. It runs its arguments as steps, in order, and
// answers each on standard output, one line per step (flushed at once):
//   start        waits until descriptor 3 reaches end of file (all helpers released together)
//   load         LibraryLoad()          -> "load <ok> created=<0|1> mutexinit=<0|1>"
//   free         HasFreeSlot()          -> "free <0|1>"
//   claim        ClaimSlot("helper")    -> "claim <id>"
//   release N    ReleaseSlot(N)         -> "release <0|1>"
//   hold         "hold", then waits until standard input reaches end of file
//   unload       LibraryUnload()        -> "unload"
// The shared objects' names come from VKT_SHM_PREFIX, which the test sets.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/process/process_state.h"
#include "runtime/table/shared_table.h"
#include "runtime/table/table_access.h"

namespace {

using vkt::runtime::Process;
using vkt::runtime::TableAccess;

void WaitForEndOfFile(int fd) {
    char byte;
    while (read(fd, &byte, 1) > 0) {
    }
}

TableAccess Access() {
    return TableAccess(Process().table, Process().connection);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    for (int i = 1; i < argc; ++i) {
        const char* step = argv[i];
        if (std::strcmp(step, "start") == 0) {
            WaitForEndOfFile(3);
            close(3);
        } else if (std::strcmp(step, "load") == 0) {
            const bool ok = vkt::runtime::LibraryLoad();
            const auto* table = Process().table;
            std::printf("load %d created=%d mutexinit=%d\n", ok ? 1 : 0,
                        table != nullptr && table->Created() ? 1 : 0,
                        table != nullptr && table->InitialisedMutex() ? 1 : 0);
        } else if (std::strcmp(step, "free") == 0) {
            std::printf("free %d\n", Access().HasFreeSlot() ? 1 : 0);
        } else if (std::strcmp(step, "claim") == 0) {
            vkt::runtime::KeyLocation key{};
            std::strcpy(key.keyDirectory, "/claves");
            std::printf("claim %d\n", Access().ClaimSlot("helper", key));
        } else if (std::strcmp(step, "release") == 0 && i + 1 < argc) {
            const int id = std::atoi(argv[++i]);
            std::printf("release %d\n", Access().ReleaseSlot(id) ? 1 : 0);
        } else if (std::strcmp(step, "hold") == 0) {
            std::printf("hold\n");
            WaitForEndOfFile(0);
        } else if (std::strcmp(step, "unload") == 0) {
            vkt::runtime::LibraryUnload();
            std::printf("unload\n");
        } else {
            std::fprintf(stderr, "table_helper: unknown step %s\n", step);
            return 2;
        }
    }
    return 0;
}
