// Opening the shared table: the table object, then the mutex object, then the mutex's one-time
// initialisation. Every failure unmaps what was mapped and removes any name this call created
// that nobody can use (the table before it is initialised, a mutex object never made ready).
#include "runtime/table/shared_table.h"

#include <pthread.h>
#include <sys/mman.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <new>

#include "runtime/table/shm_object.h"

namespace vkt::runtime {
namespace {

struct MutexObject {
    std::atomic<std::uint32_t> state;  // kMutexNew, kMutexInitialising, kMutexReady
    std::uint32_t reserved;
    pthread_mutex_t mutex;
};
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
static_assert(offsetof(MutexObject, mutex) == 8);

MutexObject* AsMutex(void* view) {
    return static_cast<MutexObject*>(view);
}

bool InitMutex(pthread_mutex_t* mutex) {
    pthread_mutexattr_t attributes;
    if (pthread_mutexattr_init(&attributes) != 0) return false;
    bool ok = pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED) == 0 &&
              pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST) == 0 &&
              pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE) == 0 &&
              pthread_mutex_init(mutex, &attributes) == 0;
    pthread_mutexattr_destroy(&attributes);
    return ok;
}

// Whoever moves the state word from 0 to 1 initialises the mutex and publishes 2; everyone
// else waits, bounded, for 2. A failed initialisation puts 0 back so another opener can try.
bool MakeMutexReady(MutexObject* object, bool* initialised) {
    for (int waited = 0;; ++waited) {
        std::uint32_t state = kMutexNew;
        if (object->state.compare_exchange_strong(
                state, kMutexInitialising, std::memory_order_acq_rel, std::memory_order_acquire)) {
            if (!InitMutex(&object->mutex)) {
                object->state.store(kMutexNew, std::memory_order_release);
                return false;
            }
            object->state.store(kMutexReady, std::memory_order_release);
            *initialised = true;
            return true;
        }
        if (state == kMutexReady) return true;
        // Anything but "being initialised" is not a mutex object of ours; an initialiser that
        // stays away longer than the bound has died half-way.
        if (state != kMutexInitialising || waited >= kJoinWaitMs) return false;
        SleepOneMillisecond();
    }
}

}  // namespace

SharedTable* SharedTable::Open(bool* created) {
    *created = false;
    char tableName[256];
    char mutexName[256];
    if (!SharedObjectName("Tabla", tableName, sizeof tableName) ||
        !SharedObjectName("Mutex", mutexName, sizeof mutexName)) {
        return nullptr;
    }

    bool tableCreated = false;
    void* tableView = MapSharedObject(tableName, kTableSize, &tableCreated);
    if (tableView == nullptr) return nullptr;

    bool mutexCreated = false;
    bool initialised = false;
    void* mutexView = MapSharedObject(mutexName, sizeof(MutexObject), &mutexCreated);
    bool ready = mutexView != nullptr && MakeMutexReady(AsMutex(mutexView), &initialised);
    SharedTable* table = ready ? new (std::nothrow) SharedTable : nullptr;
    if (table == nullptr) {
        if (mutexView != nullptr) {
            const bool usable =
                AsMutex(mutexView)->state.load(std::memory_order_acquire) == kMutexReady;
            munmap(mutexView, sizeof(MutexObject));
            if (mutexCreated && !usable) shm_unlink(mutexName);
        }
        munmap(tableView, kTableSize);
        if (tableCreated) shm_unlink(tableName);
        return nullptr;
    }

    table->slot_ = static_cast<SessionSlot*>(tableView);
    table->tableView_ = tableView;
    table->mutexView_ = mutexView;
    table->created_ = tableCreated;
    table->initialisedMutex_ = initialised;
    std::memcpy(table->tableName_, tableName, sizeof tableName);
    *created = tableCreated;
    return table;
}

SharedTable::~SharedTable() {
    munmap(mutexView_, sizeof(MutexObject));
    munmap(tableView_, kTableSize);
}

bool SharedTable::Lock() {
    pthread_mutex_t* mutex = &AsMutex(mutexView_)->mutex;
    int result = pthread_mutex_lock(mutex);
    // The previous owner died holding the lock: the table is used as it is.
    if (result == EOWNERDEAD && pthread_mutex_consistent(mutex) != 0) {
        pthread_mutex_unlock(mutex);
        return false;
    }
    return result == 0 || result == EOWNERDEAD;
}

void SharedTable::Unlock() {
    pthread_mutex_unlock(&AsMutex(mutexView_)->mutex);
}

void SharedTable::DiscardCreated() {
    if (created_) shm_unlink(tableName_);
    created_ = false;
}

}  // namespace vkt::runtime
