// Which exit status a library status code leads to: one table for every code of the library's
// catalogue, so that a script can tell a failure worth a retry from one that is not.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace vkt::cli {

// The exit status (exit_status.h) the table gives code; nothing for a code it does not list.
std::optional<int> ListedExitClass(std::int32_t code);

// The table's status for code; a code it does not list (one only a server knows) counts as a
// refusal, kExitRefused. serverFile: the file concerned is the server's (a get), so "file not
// found" (40050) is the server's refusal, not a local file problem.
int ExitClassFor(std::int32_t code, bool serverFile = false);

// The code that decides a failed operation's status: the oldest recorded code, which is the
// cause (later records are its consequences: 40065 "cancelled", the session's end); 40065 alone
// says nothing, so it is passed over. With no record, the code the function returned.
std::int32_t DecidingCode(const std::vector<std::int32_t>& recorded, std::int32_t returned);

}  // namespace vkt::cli
