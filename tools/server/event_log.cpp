#include "server/event_log.h"

#include <cstdio>
#include <ctime>
#include <mutex>

namespace vkt::server {

namespace {

std::mutex logLock;

// User names come from the network: control bytes are shown as "?" so that a line stays a line.
std::string Printable(const std::string& text) {
    if (text.empty()) return "-";
    std::string shown = text;
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return shown;
}

}  // namespace

void LogEvent(const std::string& peer, const std::string& user, const std::string& event) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    const std::string line =
        std::string(stamp) + " " + Printable(peer) + " " + Printable(user) + " " + event + "\n";
    std::lock_guard<std::mutex> hold(logLock);
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace vkt::server
