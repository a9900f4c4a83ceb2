// What /proc tells of a process's use of the machine: open descriptors, threads, resident
// memory. The long-run and many-user tests compare it before and after their rounds.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <string>

namespace vkt::testing {

struct ProcessUsage {
    std::size_t descriptors = 0;
    long threads = 0;
    long rssKiB = 0;
};

// Of process pid; 0 (this process) reads /proc/self, whose own listing is not counted.
ProcessUsage UsageOf(pid_t pid);

// Waits, at most wait, for pid's descriptors to come down to descriptors, and its threads to
// threads when threads is given; the usage then.
ProcessUsage SettledUsage(pid_t pid, std::size_t descriptors, long threads = -1,
                          std::chrono::seconds wait = std::chrono::seconds(30));

std::string Describe(const ProcessUsage& usage);

}  // namespace vkt::testing
