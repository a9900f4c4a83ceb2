// One whole use of a session through the library: connect, verify a file, send it, get a file
// back, check both arrived whole, disconnect. The long-run test and the soak client repeat it.
#pragma once

#include <string>

#include "support/vkt_exports.h"

namespace vkt::faults {

struct CycleSetting {
    int port = 0;
    std::string user;
    std::string password;
    std::string keys;    // folder of USER.pri
    std::string work;    // local folder: the sent file is written and the got file lands here
    std::string inbox;   // the server's inbox folder of the user
    std::string outbox;  // the server's outbox folder of the user
    std::size_t size = 6000;
};

// The name the cycles send (a plain file, so the server stores it as "ciclo") and the field
// list the server's answers must give for it.
inline constexpr char kCycleName[] = "ciclo";
inline constexpr char kCycleFields[] = "Importe,8,N;Concepto,12";

// The answers file line that makes the server answer the cycle's verify.
std::string CycleAnswers();

// Cycle number round; "" when every step succeeded and both files arrived whole, else the
// step that failed and the library's first error. The session is ended in every case.
std::string RunCycle(const testing::VktExports& vkt, const CycleSetting& setting, int round);

// The library's recorded errors as "CODE text; ...", "no error" when there are none.
std::string ErrorsText(const testing::VktExports& vkt);

}  // namespace vkt::faults
