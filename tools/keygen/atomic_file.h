// Files that appear whole or not at all: the contents go to a temporary file in the target
// folder, which is synced and then moved into place.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace vkt::keygen {

// A file written to its temporary name and not yet in place. Its destructor removes the
// temporary file unless Place succeeded.
class StagedFile {
  public:
    // Writes the bytes to a new temporary file in folder, with the given mode. Throws
    // std::runtime_error when the folder cannot take it.
    StagedFile(const std::string& folder, const std::string& name, const std::uint8_t* data,
               std::size_t size, mode_t mode);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Moves the file to its name. Without replace an existing file is kept and the call
    // throws; with replace it is replaced in one step.
    void Place(bool replace);
    const std::string& path() const { return path_; }

  private:
    std::string folder_;
    std::string temporary_;
    std::string path_;
    bool placed_ = false;
};

// folder + "/" + name, without doubling a trailing "/".
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace vkt::keygen
