// A second process that holds something (a file open, a lock) until the test lets it go.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

namespace vkt::testing {

// A child process that runs hold(), which opens and keeps a file and returns 0 on success,
// tells the parent, and keeps the file until Release(). The child ends with _exit, so hold()
// must do only what is safe after fork() in a process with threads (plain system calls).
class HoldingChild {
  public:
    template <typename Hold>
    explicit HoldingChild(Hold hold) {
        int ready[2], release[2];
        if (::pipe(ready) != 0) return;
        if (::pipe(release) != 0) {
            ::close(ready[0]);
            ::close(ready[1]);
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            const char held = hold() == 0 ? 'y' : 'n';
            (void)!::write(ready[1], &held, 1);
            char done;
            (void)!::read(release[0], &done, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        releaseFd_ = release[1];
        char held = 'n';
        if (pid_ > 0 && ::read(ready[0], &held, 1) == 1) holding_ = held == 'y';
        ::close(ready[0]);
    }
    ~HoldingChild() { Release(); }
    HoldingChild(const HoldingChild&) = delete;
    HoldingChild& operator=(const HoldingChild&) = delete;

    bool Holding() const { return holding_; }

    // Lets the child close its file and end; true when it ended normally.
    bool Release() {
        if (pid_ <= 0) return false;
        ::close(releaseFd_);
        int status = 0;
        const bool ended = ::waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status);
        pid_ = -1;
        return ended;
    }

  private:
    pid_t pid_ = -1;
    int releaseFd_ = -1;
    bool holding_ = false;
};

}  // namespace vkt::testing
