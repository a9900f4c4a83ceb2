#include "server/partial_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "server/event_log.h"
#include "server/file_store.h"
#include "server/log_text.h"

namespace vkt::server {

namespace {

// The names of a folder's entries (without "." and ".."), read through a descriptor so that
// the folder cannot be swapped for another between listing and removal.
std::vector<std::string> Entries(int folder) {
    std::vector<std::string> names;
    const int copy = dup(folder);
    if (copy < 0) return names;
    DIR* listing = fdopendir(copy);
    if (listing == nullptr) {
        close(copy);
        return names;
    }
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(listing);
    return names;
}

}  // namespace

int RemovePartialFiles(const std::string& inbox) {
    const int root = open(inbox.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0) return 0;
    int removed = 0;
    for (const std::string& user : Entries(root)) {
        const int folder =
            openat(root, user.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (folder < 0) continue;  // not a user's folder
        for (const std::string& name : Entries(folder)) {
            if (!IsPartialFileName(name)) continue;
            const std::string shown = LogText(user) + "/" + LogText(name);
            if (unlinkat(folder, name.c_str(), 0) == 0) {
                LogEvent("", "", "removed the partial file " + shown);
                ++removed;
            } else if (errno != ENOENT) {
                LogEvent("", "",
                         "cannot remove the partial file " + shown + ": " + std::strerror(errno));
            }
        }
        close(folder);
    }
    close(root);
    return removed;
}

}  // namespace vkt::server
