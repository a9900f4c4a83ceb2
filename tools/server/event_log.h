// One line per event on standard error. Text format:
//
//   2026-03-14T09:26:53.589+01:00 PEER USER EVENT
//
// JSON format, one object a line:
//
//   {"time":"2026-03-14T09:26:53.589+01:00","peer":"127.0.0.1:40512","user":"ana","event":"..."}
//
// Times are local, ISO 8601 with milliseconds and the zone offset. Everything that came from
// the network goes through LogText (the user here, names and texts in the event where it is
// composed), so that one line is one event; in text lines the user's spaces are escaped too
// ("\x20"), so that PEER and USER are always the first two fields. Lines of concurrent
// sessions never interleave.
#pragma once

#include <string>

namespace vkt::server {

enum class LogFormat { kText, kJson };

// Set once at start, before any session runs.
void SetLogFormat(LogFormat format);

// peer and user may be empty; they are written as "-" in text lines, as "" in JSON.
void LogEvent(const std::string& peer, const std::string& user, const std::string& event);

}  // namespace vkt::server
