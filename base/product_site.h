#pragma once
// The product website: the main window opens its home and download pages, the updater its home
// page when its settings file is missing.

namespace qvx::base {

inline constexpr const char* kProductWebsiteHost = "www.quorvex.com";
inline constexpr const char* kProductDownloadPage = "/download.html";

}  // namespace qvx::base
