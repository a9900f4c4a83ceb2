#include "server/event_log.h"

#include <sys/time.h>

#include <cstdio>
#include <ctime>
#include <mutex>

#include "server/log_text.h"

namespace vkt::server {

namespace {

std::mutex logLock;
LogFormat logFormat = LogFormat::kText;

// "YYYY-MM-DDTHH:MM:SS.mmm+HH:MM", local time.
std::string Timestamp() {
    timeval now{};
    gettimeofday(&now, nullptr);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    char seconds[32];
    std::strftime(seconds, sizeof seconds, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff / 60;
    const long minutes = offset < 0 ? -offset : offset;
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "%s.%03ld%c%02ld:%02ld", seconds,
                  static_cast<long>(now.tv_usec / 1000), offset < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return stamp;
}

// The user of a text line, one field: its spaces escaped too, so that a name cannot pass for
// the start of an event.
std::string UserField(const std::string& user) {
    std::string field;
    for (const char c : LogText(user)) {
        if (c == ' ')
            field.append("\\x20");
        else
            field.push_back(c);
    }
    return field;
}

}  // namespace

void SetLogFormat(LogFormat format) {
    logFormat = format;
}

void LogEvent(const std::string& peer, const std::string& user, const std::string& event) {
    std::string line;
    if (logFormat == LogFormat::kJson) {
        line = "{\"time\":\"" + Timestamp() + "\",\"peer\":\"" + JsonText(peer) + "\",\"user\":\"" +
               (user.empty() ? "" : JsonText(LogText(user))) + "\",\"event\":\"" +
               JsonText(LineText(event)) + "\"}\n";
    } else {
        line = Timestamp() + " " + (peer.empty() ? "-" : peer) + " " + UserField(user) + " " +
               LineText(event) + "\n";
    }
    std::lock_guard<std::mutex> hold(logLock);
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace vkt::server
