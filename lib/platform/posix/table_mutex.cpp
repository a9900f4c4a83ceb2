// The table mutex on Linux: a robust, recursive, process-shared pthread mutex in a shared-memory
// object of its own, initialised once (a state word claimed by compare-and-swap, then "ready").
//
// Object layout (native, shared only by processes of the same ABI; a joiner checks the size):
// u32 state word at offset 0 - 0 new, 1 being initialised, 2 ready - then the pthread_mutex_t
// at offset 8.
#include "platform/table_mutex.h"

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstddef>

namespace vkt::platform {
namespace {

enum : std::uint32_t { kMutexNew = 0, kMutexInitialising = 1, kMutexReady = 2 };

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

TableMutex::~TableMutex() {
    Close();
}

// A mutex object this call created and could not make ready is removed: nobody could use it.
bool TableMutex::Open() {
    Close();
    if (!memory_.Open("Mutex", sizeof(MutexObject))) return false;
    bool initialised = false;
    if (!MakeMutexReady(AsMutex(memory_.View()), &initialised)) {
        const bool usable =
            AsMutex(memory_.View())->state.load(std::memory_order_acquire) == kMutexReady;
        if (!usable) memory_.RemoveName();
        memory_.Close();
        return false;
    }
    initialised_ = initialised;
    return true;
}

void TableMutex::Close() {
    memory_.Close();
    initialised_ = false;
}

bool TableMutex::Lock() {
    pthread_mutex_t* mutex = &AsMutex(memory_.View())->mutex;
    int result = pthread_mutex_lock(mutex);
    // The previous owner died holding the lock: the table is used as it is.
    if (result == EOWNERDEAD && pthread_mutex_consistent(mutex) != 0) {
        pthread_mutex_unlock(mutex);
        return false;
    }
    return result == 0 || result == EOWNERDEAD;
}

void TableMutex::Unlock() {
    pthread_mutex_unlock(&AsMutex(memory_.View())->mutex);
}

}  // namespace vkt::platform
