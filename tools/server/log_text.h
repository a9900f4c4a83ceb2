// Texts from the network made safe for one log line.
#pragma once

#include <string>

namespace vkt::server {

// The text as printable UTF-8 without a line break: well-formed UTF-8 sequences are kept,
// other bytes from 0xA0 up are read as Latin-1 (the charset of the wire) and converted; control
// bytes (C0, DEL, C1), stray bytes 0x80-0x9F, U+2028 and U+2029 are written as "\xNN" escapes
// (one per byte) and a backslash as "\\", so that the escapes cannot be forged. "-" for an
// empty text.
std::string LogText(const std::string& text);

// An event composed with its network texts already escaped: a control byte that still made it
// here is written as "\xNN" rather than allowed to end the line; nothing else changes.
std::string LineText(const std::string& event);

// The text as the contents of a JSON string: '"', '\' and control characters escaped.
std::string JsonText(const std::string& text);

}  // namespace vkt::server
