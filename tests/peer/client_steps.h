// The test's side of a case: the [client] steps, run in order against the library's exports
// while the scripted peer runs its own. A step's failure is reported with the case file's line
// and ends the case.
//
//   open                       VKTConectar to the peer, then waits: activity 0, no error
//   connect [=> CODE]          VKTConectar only (CODE defaults to 0; "a|b": either)
//   verify FILE TYPE => CODE   VKTVerificar of the fixture FILE into a 2,048-byte buffer that
//                              is followed by a canary, which must survive every call
//   answer DATA                the last verify's answer: largo and bytes exact, NUL behind
//   send FILE TYPE [add DATA LARGO] => CODE    VKTEnviar of the fixture FILE
//   request NAME => CODE       VKTSolicitar of NAME into the case's destination folder
//   disconnect => CODE         VKTDesconectar (0: the session was kept; 40039: released)
//   wait [MS]                  until the activity is no longer 2 (within MS, default 20 s)
//   wait-activity N            until the activity is N (what the event thread ends on its own)
//   timeout SECONDS            the stall time-out of the connects that follow (default 10)
//   activity N / step N        the status record's fields now
//   errors [CODE|CODE...]...   the codes VKTError holds, in order (a|b: either); waits up to
//                              2 s for asynchronous ones
//   error-text CODE DATA       the text of that code among those the last "errors" read
//   received NAME DATA         the destination file NAME holds exactly DATA
//   no-file NAME               the destination file NAME does not exist
//   locked FILE / unlocked FILE    whether the library holds the fixture FILE open and locked
//   held / release             waits until the peer holds; lets it go on
//   sleep MS                   waits
//   env NAME VALUE             sets an environment variable for the rest of the case
//   own-process                first step only: the case runs in a test process of its own
//                              (the timer period, VKT_TIMER_PERIOD_MS, is read once per process)
//   await-step N               until the status record's step is N (at most 10 s)
//
// The destination folder (part files named as destination_folder.h says):
//   existing NAME DATA         an older file NAME that holds DATA
//   part NAME dead|live|dead-link   a part file of NAME left by an ended process, or by one
//                              still running; dead-link: a symbolic link of that name, to a
//                              file of the work folder
//   folder [ENTRY...]          the folder holds exactly these entries (waits up to 10 s)
//   lock NAME KIND / unlock    another process holds NAME open and locked with a lock of that
//                              kind (support/file_locks.h), until "unlock"
//   child-request NAME         a second process opens a session to the peer and requests NAME
//   child-part-holds NAME N    until the child's part file of NAME holds N bytes (at most 10 s)
//   kill-child                 SIGKILL to the child; it must die of it
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "case_file.h"
#include "destination_folder.h"
#include "peer_library.h"
#include "scripted_peer.h"
#include "support/holding_child.h"

namespace vkt::peer {

struct CaseSetting {
    std::string user;
    std::string password;
    std::string keys;  // folder of USER.pri
    std::string work;  // the fixtures
    std::string destination;
};

class ClientSteps {
  public:
    ClientSteps(const CaseFile& file, const CaseSetting& setting, ScriptedPeer& peer)
        : file_(file), setting_(setting), peer_(peer) {}
    ~ClientSteps();

    // Runs every step; false (with a test failure recorded) at the first that fails.
    bool Run();
    int32_t session() const { return session_; }

  private:
    bool RunStep(const Step& step, std::string* why);
    bool Connect(const std::string& expected, std::string* why);
    bool CheckErrors(const std::vector<Word>& words, std::string* why);
    bool Verify(const std::vector<Word>& words, const std::string& expected, std::string* why);
    bool Send(const std::vector<Word>& words, const std::string& expected, std::string* why);
    bool CheckAnswer(const std::vector<Word>& words, std::string* why);
    // The destination folder's steps; false with why set, or unknown (*known false).
    bool RunFolderStep(const Step& step, bool* known, std::string* why);
    bool CheckFolder(const std::vector<Word>& words, std::string* why);
    bool PlantPart(const std::vector<Word>& words, std::string* why);
    bool Lock(const std::vector<Word>& words, std::string* why);
    bool StartChild(const std::string& name, std::string* why);
    std::string Destination(const std::string& name) const {
        return setting_.destination + "/" + name;
    }
    std::string Path(const std::string& fixture) const { return setting_.work + "/" + fixture; }

    const CaseFile& file_;
    const CaseSetting& setting_;
    ScriptedPeer& peer_;
    int32_t session_ = 0;
    int32_t timeout_ = 10;
    std::vector<ErrorRecord> lastErrors_;
    std::string answer_;
    int32_t largo_ = -1;
    std::vector<std::string> environment_;  // set by "env", unset at the end
    PartOwners owners_;
    std::unique_ptr<testing::HoldingChild> lock_;
    RequestChild child_;
};

}  // namespace vkt::peer
