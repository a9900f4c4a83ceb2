#include "support/process_usage.h"

#include <dirent.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace vkt::testing {
namespace {

long StatusField(const std::string& status, const std::string& field) {
    const std::size_t at = status.find("\n" + field + ":");
    if (at == std::string::npos) return -1;
    return std::stol(status.substr(at + field.size() + 2));
}

// Entries of folder, "." and ".." left out; the descriptor that lists it is one of them when
// the folder is this process's own fd/.
std::size_t EntriesIn(const std::string& folder) {
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) return 0;
    std::size_t count = 0;
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") ++count;
    }
    closedir(listing);
    return count;
}

}  // namespace

ProcessUsage UsageOf(pid_t pid) {
    const std::string proc = pid == 0 ? "/proc/self" : "/proc/" + std::to_string(pid);
    std::stringstream status;
    status << std::ifstream(proc + "/status").rdbuf();
    ProcessUsage usage;
    usage.descriptors = EntriesIn(proc + "/fd");
    // The listing's own descriptor is open while it is read.
    if (pid == 0 && usage.descriptors > 0) --usage.descriptors;
    usage.threads = StatusField(status.str(), "Threads");
    usage.rssKiB = StatusField(status.str(), "VmRSS");
    return usage;
}

ProcessUsage SettledUsage(pid_t pid, std::size_t descriptors, long threads,
                          std::chrono::seconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    ProcessUsage now = UsageOf(pid);
    while ((now.descriptors > descriptors || (threads >= 0 && now.threads > threads)) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        now = UsageOf(pid);
    }
    return now;
}

std::string Describe(const ProcessUsage& usage) {
    return std::to_string(usage.descriptors) + " descriptors, " + std::to_string(usage.threads) +
           " threads, " + std::to_string(usage.rssKiB) + " KiB resident";
}

}  // namespace vkt::testing
