// Start-up and shut-down of the library in a process.
//
// Loading: the shared table (created or joined) with its mutex, the error list, the status
// block; the table is initialised when this process created it. A failed step undoes the
// earlier ones, including the table's name when this process created it (nobody else would
// ever initialise it).
//
// Unloading ends, first, a session this process still holds (disconnect notice, timers stopped,
// kept file closed, slot freed): its timer threads and the event thread use the objects freed
// below, and the code may be about to be unmapped. Then the event thread is stopped - before
// the connection, error list and status block it uses are freed - and the table is unmapped.
#include "runtime/process/process_state.h"

#include <mutex>
#include <new>

#include "platform/sockets.h"
#include "runtime/event/event_handlers.h"
#include "runtime/event/event_thread.h"
#include "runtime/net/connection.h"
#include "runtime/table/shared_table.h"
#include "runtime/table/table_access.h"

namespace vkt::runtime {
namespace {

// Serialises loading and unloading (tests call them from their own threads too).
std::mutex& LoadLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

ProcessState& Process() {
    static ProcessState state;
    return state;
}

bool LibraryLoad() {
    std::lock_guard<std::mutex> guard(LoadLock());
    ProcessState& state = Process();
    if (state.table != nullptr) return true;
    state = ProcessState{};

    if (!platform::StartSockets()) return false;
    bool created = false;
    SharedTable* table = SharedTable::Open(&created);
    if (table == nullptr) {
        platform::StopSockets();
        return false;
    }

    ErrorList* errors = new (std::nothrow) ErrorList;
    StatusBlock* status = errors != nullptr ? new (std::nothrow) StatusBlock : nullptr;
    if (status == nullptr) {
        delete errors;
        table->DiscardCreated();
        delete table;
        platform::StopSockets();
        return false;
    }
    if (created) TableAccess(table, nullptr).InitTable();

    state.errors = errors;
    state.status = status;
    state.connection = nullptr;
    state.table = table;
    return true;
}

void LibraryUnload() {
    std::lock_guard<std::mutex> guard(LoadLock());
    ProcessState& state = Process();
    if (state.table == nullptr) return;

    // A session still held is released as on any failure (a partly received file deleted).
    ReleaseSession();

    EventThread::Shutdown();

    delete state.connection;
    state.connection = nullptr;
    delete state.errors;
    state.errors = nullptr;
    delete state.status;
    state.status = nullptr;
    delete state.table;
    state.table = nullptr;
    platform::StopSockets();
}

}  // namespace vkt::runtime
