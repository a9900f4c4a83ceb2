// The server's files. A received file lands as INBOX/USER/NAME, a requested one is served from
// OUTBOX/USER/NAME. Names come from the network and are used as one path component only.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace vkt::server {

// A name usable as one path component: 1 to 255 bytes, no "/", "\" or control byte (below 0x20,
// or 0x7F), not starting with "." (which also excludes "." and ".." and the temporary files of
// the inbox).
bool IsSafeName(const std::string& name);

// True for the name of a temporary file of InboxFile (".receiving.NAME.XXXXXX"); one that is
// still there when no session runs was left by a stop in the middle of a transfer.
bool IsPartialFileName(const std::string& name);

// A received file being written. Its bytes go to a temporary file in the user's inbox folder;
// Commit replaces INBOX/USER/NAME with it in one step, and the destructor removes a temporary
// file that was never committed, so an older file of the name survives every failure.
class InboxFile {
  public:
    InboxFile() = default;
    ~InboxFile();
    InboxFile(const InboxFile&) = delete;
    InboxFile& operator=(const InboxFile&) = delete;

    // Creates INBOX/USER (mode 0700) when needed and the temporary file; false on failure.
    bool Open(const std::string& inbox, const std::string& user, const std::string& name);
    bool IsOpen() const { return descriptor_ >= 0; }
    bool Write(const char* bytes, std::size_t size);
    // Allocates size bytes for the file when that leaves at least margin bytes free on its
    // file system; false otherwise.
    bool Reserve(std::uint64_t size, std::uint64_t margin);
    // Syncs, closes and renames to the final name; false (file removed) on failure.
    bool Commit();
    // Drops the temporary file.
    void Abort();
    const std::string& name() const { return name_; }

  private:
    int descriptor_ = -1;
    std::string temporary_;
    std::string final_;
    std::string name_;
};

// A file of the outbox, open for reading.
class OutboxFile {
  public:
    OutboxFile() = default;
    ~OutboxFile();
    OutboxFile(const OutboxFile&) = delete;
    OutboxFile& operator=(const OutboxFile&) = delete;

    // Opens OUTBOX/USER/NAME when it is a regular file; false otherwise.
    bool Open(const std::string& outbox, const std::string& user, const std::string& name);
    std::uint64_t size() const { return size_; }
    // Reads up to size bytes at the current position; returns the count, -1 on failure.
    ssize_t Read(char* buffer, std::size_t size);

  private:
    int descriptor_ = -1;
    std::uint64_t size_ = 0;
};

}  // namespace vkt::server
