// Texts cross the library boundary as single-byte Latin-1 (user names, passwords, the
// additional text, the library's and the server's messages, VKT32.cnf); terminals, the command
// line and file names speak UTF-8.
#pragma once

#include <string>

namespace vkt::rules {

// Valid UTF-8 is converted to Latin-1 into *latin1; false when it holds a character above
// U+00FF, each of which is written as "?" (for a caller that does not refuse them). Text that is
// not valid UTF-8 is taken as Latin-1 already and copied unchanged (as vkt-keygen does, so that one
// VKT_PASSWORD gives the same key bytes to both programs). The output is written in place, with its
// room reserved first, so a secret leaves no copy.
bool Utf8ToLatin1(const std::string& text, std::string* latin1);

// Every byte is one character U+0000..U+00FF, written as UTF-8.
std::string Latin1ToUtf8(const std::string& latin1);

// True when text is well-formed UTF-8 (ASCII included).
bool IsUtf8(const std::string& text);

}  // namespace vkt::rules
