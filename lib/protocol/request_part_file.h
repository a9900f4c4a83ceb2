// The part file a request receives into, and what may be requested at all.
//
// The blocks of a requested NAME go into DIR/.NAME.<pid>.vkt-part (pid: the receiving
// process; NAME shortened when the whole would pass the file system's limit of 255 bytes a
// name), created exclusively in the destination folder, so on the same file system as NAME.
// Only once the server's digest matched is it written to disk (fsync) and renamed to NAME, in
// one step: until then an older file NAME is untouched, and every failure deletes the part
// file. A process that dies meanwhile leaves its part file; the next request into that folder
// deletes the part files of processes that no longer exist.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vkt::protocol {

// A name the server can mean and that stays inside the destination folder: not "." or "..",
// and without "/" or "\". The server names its files with one component, so a separator is
// never part of a valid name; refusing "\" as well keeps a name the server might read as a
// path from becoming a different local file.
bool IsSingleComponentName(const char* name);

// DIR/.NAME.<pid>.vkt-part into out (capacity bytes); false when name is not a single
// component or the path does not fit.
bool PartFilePath(const char* directory, const char* name, long pid, char* out,
                  std::size_t capacity);

// This process's part file for the slot's current request; false when there is none to name.
bool SlotPartFile(char* out, std::size_t capacity);

// Deletes this process's part file of the slot's current request, if there is one: every end
// of a request other than its success (release of the session, disconnect, unload).
void DiscardPartFile();

// Deletes from directory (only there, never through a symbolic link) the regular files named
// like part files whose process no longer exists. A running process's part file stays.
void RemoveStalePartFiles(const char* directory);

// 0 when the existing file final (if any) could be replaced now: another process holding it
// open and locked (any advisory lock) gives 40051, as does a name that is not a regular file.
std::int32_t CheckReplaceable(const char* final);

// The part file written to disk and renamed to final, while final is held as CheckReplaceable
// requires; 0, or 40051 with the part file deleted.
std::int32_t CommitPartFile(const char* part, const char* final);

}  // namespace vkt::protocol
