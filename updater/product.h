#pragma once

// The product website, opened when the updater's settings file is missing.
inline constexpr const char* kProductWebsite = "http://www.quorvex.com";
