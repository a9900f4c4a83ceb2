// One session with the server for the length of a command: VKTConectar, the wait for its end,
// and VKTDesconectar on every way out.
#pragma once

#include <cstdint>

#include "cli/library_binding.h"
#include "cli/operation_wait.h"
#include "cli/secret_text.h"
#include "cli/settings.h"

namespace vkt::cli {

// How long a wait may see no change in the status before it gives up: longer than the
// library's own network wait (the time-out) plus its silent-server watchdog (two 60-second
// periods), so the library normally reports a failure first.
int WaitBoundSeconds(std::int32_t timeout);

class Session {
  public:
    Session(Library& library, int boundSeconds) : library_(library), bound_(boundSeconds) {}
    ~Session() { Close(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Connects and waits for the session to open; an exit status (kExitOk when open). Failures
    // are printed.
    int Open(const ConnectSettings& settings, const SecretText& password);
    std::int32_t id() const { return id_; }

    // Waits for the operation under way; an exit status. On failure the library's errors are
    // printed; on an interrupt or a stall the session is abandoned.
    int Wait(Activity activity);

    // Ends the session while an operation may still run, before the program exits:
    // VKTDesconectar, and when the library refuses because the transfer is under way, the
    // library's unload at exit releases the session (the server is told) and stops the
    // transfer.
    void Abandon();

    // VKTDesconectar. A session the library has released already is no failure.
    void Close();

  private:
    void DiscardErrors();

    Library& library_;
    int bound_;
    std::int32_t id_ = 0;
    bool open_ = false;
};

}  // namespace vkt::cli
