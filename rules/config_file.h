// VKT32.cnf: the connection data the desktop program keeps and the command-line client reads
// (ConfigFilePath() in program_folders.h). There is no password in the file.
//
// One record of five fields separated by "," (no quoting, no escaping):
//
//   SERVER,SERVICE,TIMEOUT,USER,KEY-DIRECTORY
//
// Reading:
// - Line breaks and blanks at the end of the file are not data, however many there are (a
//   trailing blank line, CR LF), and every field is trimmed of blanks.
// - The key directory runs to the end of the record, so it may hold commas. A record with
//   exactly three commas has no key directory field: the user runs to the end and the key
//   directory takes the caller's default. With fewer commas only the fields before the last
//   comma are set; with none, nothing.
// - The time-out is a decimal number, read back as such ("0180" is 180). When it is not one,
//   the server and service before it are set and nothing after it.
//
// Encoding: the file holds Latin-1 bytes, as the desktop program writes it. Only a record that
// Latin-1 cannot write (a key folder named in another script) is written in UTF-8, and a file
// that is valid UTF-8 with bytes above 0x7F is read as UTF-8 (so is a file edited in a UTF-8
// editor); Latin-1 text is almost never valid UTF-8 by accident, since a lead byte must be
// followed by continuation bytes 0x80-0xBF. Every field comes out in UTF-8, the file-system
// encoding, so that a key folder is a path as it stands; names go to the library as Latin-1.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "rules/decimal_number.h"

namespace vkt::rules {

// The fields a file holds, in UTF-8; unset when the record does not reach them.
struct ConfigRecord {
    std::optional<std::string> server;
    std::optional<std::string> service;
    std::optional<std::int32_t> timeout;
    std::optional<std::string> user;
    std::optional<std::string> keyDirectory;
};

struct ConfigRead {
    ConfigRecord record;
    // Not kOk when the time-out field is present but no 32-bit decimal number.
    NumberRead timeout = NumberRead::kOk;
    std::string timeoutText;  // that field, trimmed (UTF-8)

    bool ok() const { return timeout == NumberRead::kOk; }
};

// Reads the bytes of a VKT32.cnf as described above. A missing key directory field (three
// commas) gives defaultKeyDirectory; an empty one stays empty.
ConfigRead ParseConfigText(const std::string& bytes, const std::string& defaultKeyDirectory);

// Reads the whole file at path into *bytes: 0, or the errno of the failure (ENOENT: there is
// no such file).
int ReadConfigFile(const std::string& path, std::string* bytes);

// Replaces the file at path by one holding record (UTF-8), encoded as described above, and a
// line break. The bytes are written beside the file and renamed over it, so a failed write
// leaves the old file. 0, or the errno of the failure.
int WriteConfigFile(const std::string& path, const std::string& record);

}  // namespace vkt::rules
