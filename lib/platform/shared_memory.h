// A named, fixed-size memory mapping that every process of the user creates or joins, telling
// the creator (who must initialise it) from a joiner.
//
// Names: "<prefix><kind>", the prefix being VKT_SHM_PREFIX when set (tests run in their own
// namespace), else "VKT"; so the table is "VKTTabla".
//   Linux    POSIX shared memory "/<prefix><kind>.<euid>", per user, mode 0600 whatever the
//            umask; O_CREAT|O_EXCL tells the creator. A joiner requires an object of this user
//            without group or other permission bits, and waits, bounded, for the creator to
//            size it. The name stays until removed (RemoveName), so the table outlives its
//            processes, as their slots' owner checks expect.
//   Windows  a file mapping on the paging file named "<prefix><kind>" in the session's
//            namespace (CreateFileMappingA); ERROR_ALREADY_EXISTS tells a joiner. The mapping
//            lives while a process has it open; RemoveName does nothing.
//
// Threads: Open and Close by one thread; the view is shared memory, its users synchronise.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vkt::platform {

// How long a joiner waits for a creator that is half-way through (milliseconds).
constexpr int kJoinWaitMs = 2000;

class SharedMemory {
  public:
    SharedMemory() = default;
    ~SharedMemory();  // Close()
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;

    // Creates (zero-filled) or joins the mapping of kind of exactly size bytes. False on
    // failure, with nothing left open and no name left behind by this call.
    bool Open(const char* kind, std::size_t size);
    void Close();  // unmaps; the name stays for other processes
    // Removes the name when this process created it (Linux), so a creator that cannot finish
    // initialising leaves nothing behind that nobody would initialise.
    void RemoveName();

    void* View() const { return view_; }
    bool Created() const { return created_; }

  private:
    void* view_ = nullptr;
    std::size_t size_ = 0;
    bool created_ = false;
    [[maybe_unused]] std::uintptr_t handle_ = 0;  // the mapping's handle (Windows)
    char name_[256] = {};
};

// Sleeps about one millisecond (the step of the joiners' bounded waits).
void SleepOneMillisecond();

}  // namespace vkt::platform
