// One protocol case, read from a small text file:
//
//   # what the case is about (comment lines start with "#")
//   [files]          fixtures made in the case's work folder before anything runs
//   NAME DATA        e.g. "datos.bin bytes 20000", "vacio.bin empty"
//   [peer]           what the scripted server does, one step a line, in order
//   STEP ARGS...
//   [client]         what the test does with the library's exports, one step a line, in order
//   STEP ARGS...
//
// Words are separated by blanks; a double-quoted word may hold blanks and the escapes \\ \"
// \n \r \t \0 and \xHH (texts on the wire are Latin-1 bytes). A DATA value is one or more
// pieces joined by "+":
//
//   "text"           the bytes of the text
//   fill N C         N copies of the character C
//   bytes N          N bytes of a fixed binary pattern (every byte value occurs)
//   empty            no bytes
//   file NAME        the contents of the fixture NAME
//   md5 NAME         the lower-case hex MD5 of the fixture NAME (md5-upper: upper case)
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace vkt::peer {

struct Word {
    std::string text;
    bool quoted = false;
};

struct Step {
    int line = 0;
    std::vector<Word> words;
    const std::string& verb() const { return words.front().text; }
};

struct CaseFile {
    std::string name;
    std::map<std::string, std::string> files;  // fixture name -> contents
    std::vector<Step> peer;
    std::vector<Step> client;
};

// false with a reason ("LINE: what") on a malformed file.
bool LoadCaseFile(const std::string& path, CaseFile* result, std::string* reason);

// Splits one line into words (see above); false on an unterminated quote or a bad escape.
bool SplitWords(const std::string& line, std::vector<Word>* words, std::string* reason);

// Reads a DATA value from words[*at...] and advances *at past it. Fixtures are looked up in
// files. false with a reason on anything malformed.
bool ReadData(const std::vector<Word>& words, std::size_t* at,
              const std::map<std::string, std::string>& files, std::string* data,
              std::string* reason);

// N bytes of the fixed binary pattern of "bytes N".
std::string PatternBytes(std::size_t count);
std::string Md5Hex(const std::string& data, bool upper = false);

}  // namespace vkt::peer
