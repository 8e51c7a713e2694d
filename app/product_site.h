#pragma once
// The product website, opened from the main window (home page and download page). The updater
// is a separate program and keeps its own copy of this host name.

namespace qvx {

inline constexpr const char* kProductWebsiteHost = "www.quorvex.com";
inline constexpr const char* kProductDownloadPage = "/download.html";

}  // namespace qvx
