// One session with the server for the length of a command: VKTConectar, the wait for its end,
// and VKTDesconectar on every way out.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

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
    // context: what the command concerns ("get NAME from HOST:PORT"), for its error lines;
    // serverFile: the file it names is the server's (exit_class.h).
    Session(Library& library, int boundSeconds, std::string context, bool serverFile)
        : library_(library),
          bound_(boundSeconds),
          context_(std::move(context)),
          serverFile_(serverFile) {}
    ~Session() { Close(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Connects and waits for the session to open; an exit status (kExitOk when open). Failures
    // are printed. While another process holds the user's session (40033), the connect is
    // tried again for up to waitSessionSeconds.
    int Open(const ConnectSettings& settings, const SecretText& password, int waitSessionSeconds);
    std::int32_t id() const { return id_; }

    // What the next operation concerns, for its error lines (as in the constructor).
    void SetOperation(std::string context, bool serverFile) {
        context_ = std::move(context);
        serverFile_ = serverFile;
    }

    // Waits for the operation under way; an exit status. On failure the library's errors are
    // printed; on an interrupt or a stall the session is abandoned.
    int Wait(Activity activity);

    // For a run that InterruptReceived() ends: says so, abandons the session and returns the
    // exit status (interrupt.h).
    int EndForSignal();

    // A failed call of the library: its errors printed, the exit status for them.
    int Failed(std::int32_t returned) const;

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
    std::string context_;
    bool serverFile_;
    std::string where_;  // HOST:PORT
    std::string connectContext_;
    std::int32_t id_ = 0;
    bool open_ = false;
};

}  // namespace vkt::cli
