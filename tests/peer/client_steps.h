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
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "case_file.h"
#include "peer_library.h"
#include "scripted_peer.h"

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
};

}  // namespace vkt::peer
