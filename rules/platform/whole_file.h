// A small file read or replaced whole, as each system does it. Both return 0 or an errno value
// (ENOENT: there is no such file).
//
//   Linux    open/read; the new bytes written beside the file, fsync'ed and renamed over it.
//   Windows  _open/_read; the same, with _commit and MoveFileExA (MOVEFILE_REPLACE_EXISTING).
#pragma once

#include <string>

namespace vkt::rules {

int ReadWholeFile(const std::string& path, std::string* bytes);

// Writes bytes beside the file and renames them over it, so a failed write leaves the old file.
int ReplaceWholeFile(const std::string& path, const std::string& bytes);

}  // namespace vkt::rules
