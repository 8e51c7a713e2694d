#pragma once
// PostRequest: one POST to the statistics service, reduced to the reply text.

#include <chrono>
#include <string>

#include "report/report_ports.h"

namespace qvx::report {

// Both requests run synchronously on the window thread and freeze the window, tray icon and
// timer while they wait. A healthy service answers in well under a second; five seconds covers a
// slow link and keeps the worst first tick (two requests) around ten seconds.
inline constexpr std::chrono::milliseconds kRequestTimeout{5000};

inline constexpr const char* kFormContentType = "application/x-www-form-urlencoded";

// The reply text as received (not trimmed). Any failure on the way, a time-out included, gives
// "-1"; an HTTP error status gives whatever body the server sent.
std::string PostRequest(HttpPoster& poster, const std::string& url);

}  // namespace qvx::report
