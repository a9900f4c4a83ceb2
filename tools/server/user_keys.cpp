#include "server/user_keys.h"

#include <dirent.h>

#include <cerrno>
#include <cstring>

#include "server/file_store.h"
#include "server/log_text.h"

namespace vkt::server {

namespace {

constexpr char kKeySuffix[] = ".pub";
constexpr std::size_t kKeySuffixLength = sizeof kKeySuffix - 1;

}  // namespace

bool UserKeys::Reload(const std::string& folder, std::string* reason, std::string* skipped) {
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) {
        *reason = "cannot read " + folder + ": " + std::strerror(errno);
        return false;
    }
    auto table = std::make_shared<Table>();
    skipped->clear();
    while (const dirent* entry = readdir(listing)) {
        const std::string file = entry->d_name;
        if (file.size() <= kKeySuffixLength ||
            file.compare(file.size() - kKeySuffixLength, kKeySuffixLength, kKeySuffix) != 0)
            continue;
        const std::string user = file.substr(0, file.size() - kKeySuffixLength);
        PublicKey key = IsSafeName(user) ? LoadPublicKey(folder + "/" + file) : nullptr;
        if (!key) {
            skipped->append(skipped->empty() ? "" : ", ").append(LogText(file));
            continue;
        }
        (*table)[user] = std::move(key);
    }
    closedir(listing);
    std::lock_guard<std::mutex> hold(lock_);
    table_ = std::move(table);
    return true;
}

std::shared_ptr<const UserKeys::Table> UserKeys::Snapshot() const {
    std::lock_guard<std::mutex> hold(lock_);
    return table_;
}

PublicKey UserKeys::Find(const std::string& user) const {
    const auto table = Snapshot();
    const auto entry = table->find(user);
    return entry == table->end() ? nullptr : entry->second;
}

std::size_t UserKeys::size() const {
    return Snapshot()->size();
}

}  // namespace vkt::server
