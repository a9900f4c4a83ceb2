#include "cli/exit_class.h"

#include <algorithm>
#include <iterator>

#include "cli/exit_status.h"

namespace vkt::cli {
namespace {

struct CodeRange {
    std::int32_t first;
    std::int32_t last;
    int status;
};

// Ascending, without overlaps. Network codes are 1 followed by the socket error number,
// cryptographic ones 2 followed by the layer's code, the library's own 40001..49999.
// clang-format off
constexpr CodeRange kTable[] = {
    {2102, 2106, kExitRefused},        // cryptographic set-up and internal errors
    {2201, 2205, kExitRefused},        // invalid pointer, length, mask, input, handle
    {2301, 2303, kExitLocalFile},      // file name invalid, file absent, file not written
    {2304, 2305, kExitRefused},        // output same as input, file format invalid
    {2401, 2403, kExitRefused},        // digest errors, digest mismatch
    {2501, 2503, kExitRefused},        // weak key, cipher mode, padding
    {2601, 2602, kExitRefused},        // key length, public exponent
    {2603, 2604, kExitUsage},          // password missing, wrong password or damaged key
    {2605, 2608, kExitRefused},        // key handles, length, damaged signature or envelope
    {40001, 40005, kExitUnreachable},  // what arrived is no frame of this protocol
    {40006, 40007, kExitRefused},      // decryption error, unidentified user
    {40008, 40009, kExitUnreachable},  // connection sequence broken, ended by the server
    {40010, 40017, kExitRefused},      // user blocked, unknown system or station, internal
    {40018, 40018, kExitSessionHeld},  // the server: the user is connected already
    {40019, 40019, kExitUnreachable},  // station communication error
    {40020, 40020, kExitRefused},      // connection refused by the server
    {40021, 40021, kExitUnreachable},  // printer communication error
    {40022, 40022, kExitTimedOut},     // the server's connection time-out
    {40023, 40024, kExitUnreachable},  // session cleared, configuration: connect again
    {40025, 40025, kExitRefused},      // a connect parameter missing
    {40026, 40026, kExitUnreachable},  // stations in use: the server is full for now
    {40027, 40027, kExitRefused},      // station configuration missing
    {40028, 40028, kExitUnreachable},  // station communication error
    {40029, 40030, kExitRefused},      // user blocked, integrity error
    {40032, 40032, kExitLocalFile},    // the private key file cannot be read
    {40033, 40033, kExitSessionHeld},  // this machine's one session of the user is in use
    {40034, 40034, kExitRefused},      // closing a session that was never opened
    {40035, 40035, kExitLocalFile},    // the integrity control file is missing
    {40036, 40036, kExitRefused},      // file integrity error
    {40037, 40037, kExitUnreachable},  // no active session: it was lost
    {40038, 40038, kExitRefused},      // session violation
    {40039, 40040, kExitUnreachable},  // the session is gone, or the server busy: retry
    {40041, 40042, kExitRefused},      // message not decrypted, function not available
    {40044, 40044, kExitRefused},      // message sequence without a session key
    {40050, 40051, kExitLocalFile},    // file not found, file not read or written
    {40052, 40052, kExitRefused},      // the private key file fails its checks
    {40053, 40053, kExitUsage},        // an argument missing, empty or too long
    {40054, 40054, kExitRefused},      // certificate expired
    {40055, 40055, kExitTimedOut},     // no answer within the library's wait
    {40060, 40060, kExitRefused},      // the library's thread did not start
    {40061, 40063, kExitRefused},      // already connected, server text malformed, busy here
    {40064, 40064, kExitUnreachable},  // the server closed the connection
    {40065, 40065, kExitRefused},      // cancelled after another failure
    {40100, 40100, kExitRefused},      // out of memory
    {40200, 40208, kExitRefused},      // the formatted file fails its format checks
    {49997, 49997, kExitUnreachable},  // the server fell silent: the session was ended
    {49998, 49999, kExitRefused},      // notices the library never reports
    {110000, 119999, kExitUnreachable},  // every socket error
};
// clang-format on

constexpr bool Ascending() {
    for (std::size_t i = 0; i < std::size(kTable); ++i) {
        if (kTable[i].first > kTable[i].last) return false;
        if (i > 0 && kTable[i - 1].last >= kTable[i].first) return false;
    }
    return true;
}
static_assert(Ascending(), "the lookup below is a binary search");

}  // namespace

std::optional<int> ListedExitClass(std::int32_t code) {
    const auto* end = std::end(kTable);
    const auto* found = std::lower_bound(
        std::begin(kTable), end, code,
        [](const CodeRange& range, std::int32_t value) { return range.last < value; });
    if (found == end || code < found->first) return std::nullopt;
    return found->status;
}

int ExitClassFor(std::int32_t code, bool serverFile) {
    if (serverFile && code == 40050) return kExitRefused;
    return ListedExitClass(code).value_or(kExitRefused);
}

std::int32_t DecidingCode(const std::vector<std::int32_t>& recorded, std::int32_t returned) {
    for (const std::int32_t code : recorded) {
        if (code != 0 && code != 40065) return code;
    }
    return !recorded.empty() && returned == 0 ? recorded.front() : returned;
}

}  // namespace vkt::cli
