// Requesting a file: VKTSolicitar on the caller's thread, then the blocks and the digest check
// on the event thread; on the right, what the connection awaits next (runtime/net/awaiting.h).
//
//   caller          NAME checked (one component), an existing DIR/NAME that another process
//                   holds refused (40051); the part file DIR/.NAME.<pid>.vkt-part created
//                   empty, sealed request "P" NAME                          -> kFileBlock
//   kFileBlock "T"  each block appended to the part file (the first, found by the file being
//                   empty, starts with 10 digits of the total size); the last -> kFileDigest
//   kFileDigest "H" the part file's MD5 against the server's hex digest, then the part file
//                   synced and renamed to DIR/NAME: activity 0              -> kNothing
// An older DIR/NAME is untouched until that rename. Every failure that ends the transfer
// deletes the part file (request_part_file.h); an error report keeps the session open.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vkt::runtime {
class Connection;
}

namespace vkt::protocol {

// The whole of VKTSolicitar. 0 once the request is on its way (activity stays 2), else the
// code, recorded, activity 1.
std::int32_t RequestFile(std::int32_t session, const char* password, const char* name,
                         const char* directory);

// kFileBlock: one file block (or the server's error report).
std::int32_t HandleFileBlock(runtime::Connection& connection);
// kFileDigest: the file digest (or the server's error report).
std::int32_t HandleFileDigest(runtime::Connection& connection);

// directory + "/" + name into out (capacity bytes); false when it does not fit.
bool DestinationPath(const char* directory, const char* name, char* out, std::size_t capacity);

}  // namespace vkt::protocol
