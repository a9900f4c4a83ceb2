// The users' public keys, parsed once from the --users folder (every USER.pub) at start and
// again on each Reload, so that a connect only looks its key up. Safe to use from every
// session thread while a reload replaces the table: lookups take a snapshot of it.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "server/public_key.h"

namespace vkt::server {

class UserKeys {
  public:
    // Reads every USER.pub of the folder; a USER that is no usable name, or a file that holds
    // no usable key, is skipped and named in *skipped (for the log). false, with the reason,
    // when the folder cannot be read: the keys read before stay in use then.
    bool Reload(const std::string& folder, std::string* reason, std::string* skipped);
    // The user's key, null when there is none.
    PublicKey Find(const std::string& user) const;
    std::size_t size() const;

  private:
    using Table = std::map<std::string, PublicKey>;
    std::shared_ptr<const Table> Snapshot() const;

    mutable std::mutex lock_;
    std::shared_ptr<const Table> table_ = std::make_shared<const Table>();
};

}  // namespace vkt::server
